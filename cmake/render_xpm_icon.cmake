# Renders the program's SVG icon at one size into an XPM image that C++ code
# includes as `static const char* const NAME[]`, in the 16 standard colours
# (the Windows icon is 4 bits a pixel) with one transparent key.
# Usage: cmake -DSVG=in.svg -DSIZE=32 -DNAME=orvex_icon_32 -DOUT=out.xpm
#              -DRSVG_CONVERT=rsvg-convert -DCONVERT=convert -P render_xpm_icon.cmake
foreach(var SVG SIZE NAME OUT RSVG_CONVERT CONVERT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "render_xpm_icon.cmake: ${var} is not set")
  endif()
endforeach()

# Each colour keeps the same key in every image, so the output depends only on
# the picture.
set(palette 000000 800000 008000 808000 000080 800080 008080 C0C0C0
            808080 FF0000 00FF00 FFFF00 0000FF FF00FF 00FFFF FFFFFF)
set(keys    k      m      g      l      n      p      t      .
            o      r      G      y      b      f      a      w)

set(png ${OUT}.png)
execute_process(COMMAND ${RSVG_CONVERT} -w ${SIZE} -h ${SIZE} -o ${png} ${SVG}
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "rsvg-convert could not render ${SVG}")
endif()

set(swatches)
foreach(colour IN LISTS palette)
  list(APPEND swatches "xc:#${colour}")
endforeach()
# Colours are mapped to the nearest in the palette without dithering, which
# would scatter stray pixels over a picture this small; a pixel at least a
# quarter covered is opaque, so half-pixel edges at 16 px do not vanish.
execute_process(
  COMMAND ${CONVERT} ${swatches} +append -write mpr:palette +delete ${png}
    ( +clone -alpha off +dither -remap mpr:palette )
    ( -clone 0 -alpha extract -threshold 25% )
    -delete 0 -alpha off -compose CopyOpacity -composite -depth 8 txt:-
  OUTPUT_VARIABLE pixels RESULT_VARIABLE failed)
file(REMOVE ${png})
if(failed)
  message(FATAL_ERROR "convert could not reduce ${SVG} to the palette")
endif()

# txt: lines are "x,y: (r,g,b,a)  #RRGGBBAA  name", row by row.
string(REGEX MATCHALL "#[0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F]" colours "${pixels}")
list(LENGTH colours count)
math(EXPR want "${SIZE} * ${SIZE}")
if(NOT count EQUAL want)
  message(FATAL_ERROR "convert gave ${count} pixels for ${SIZE}x${SIZE}")
endif()

set(rows)
set(row "")
set(used)
set(transparent OFF)
foreach(pixel IN LISTS colours)
  string(SUBSTRING ${pixel} 7 2 alpha)
  if(alpha STREQUAL "00")
    string(APPEND row " ")
    set(transparent ON)
  else()
    string(SUBSTRING ${pixel} 1 6 rgb)
    list(FIND palette ${rgb} index)
    if(index LESS 0)
      message(FATAL_ERROR "colour #${rgb} is not in the palette")
    endif()
    list(GET keys ${index} key)
    string(APPEND row "${key}")
    list(APPEND used ${index})
  endif()
  string(LENGTH "${row}" length)
  if(length EQUAL SIZE)
    list(APPEND rows "\"${row}\"")
    set(row "")
  endif()
endforeach()

list(REMOVE_DUPLICATES used)
list(SORT used COMPARE NATURAL)
set(lines)
if(transparent)
  list(APPEND lines "\"  c None\"")
endif()
foreach(index IN LISTS used)
  list(GET keys ${index} key)
  list(GET palette ${index} rgb)
  list(APPEND lines "\"${key} c #${rgb}\"")
endforeach()
list(LENGTH lines colour_count)
list(APPEND lines ${rows})
list(JOIN lines ",\n" body)

file(WRITE ${OUT} "/* XPM */\n/* Rendered from the program's SVG icon by the build. */\n"
  "static const char* const ${NAME}[] = {\n\"${SIZE} ${SIZE} ${colour_count} 1\",\n${body}\n};\n")
