#include "wx_fonts.h"
#include "wx_controls.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/fontenum.h>

namespace ui::wx {
namespace {
constexpr const char* kCjkFace = "WenQuanYi Micro Hei";
}  // namespace

wxFont DialogFont(const std::string& face, int points) {
  wxFontInfo info(points);
  if (wxFontEnumerator::IsValidFacename(ToWx(face)))
    info.FaceName(ToWx(face));
  else if (wxFontEnumerator::IsValidFacename(kCjkFace))
    info.FaceName(kCjkFace);
  return wxFont(info);
}

wxFont StatusFont() { return wxFont(wxFontInfo(wxSize(0, 16)).Bold()); }

}  // namespace ui::wx
