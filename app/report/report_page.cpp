#include "html_text.h"
#include "page_parts.h"
#include "page_sections.h"
#include "report_output.h"

namespace report {
namespace {

// Colours that stay apart for most readers who tell few colours apart, in
// the order of page::Shade; the tables carry every number for those who see none.
constexpr std::string_view kStyle = R"(
:root{color-scheme:light}
body{font:15px/1.45 system-ui,"Segoe UI","Noto Sans","Noto Sans CJK SC","Microsoft JhengHei","WenQuanYi Micro Hei",sans-serif;color:#1a1a1a;background:#fff;max-width:72rem;margin:0 auto;padding:.5rem 1rem 2rem}
h1{font-size:1.6rem;margin:.5rem 0}h2{font-size:1.25rem;margin:2rem 0 .5rem;border-bottom:1px solid #bbb}h3{font-size:1.05rem;margin:1.2rem 0 .3rem}
dl{display:grid;grid-template-columns:max-content 1fr;gap:.1rem 1rem;margin:0}dt{font-weight:600}dd{margin:0;overflow-wrap:anywhere}
figure{margin:.4rem 0 .8rem}figcaption{font-weight:600;font-size:.95rem}
svg{display:block;width:100%;height:auto;max-width:32rem}
.multiples{display:grid;grid-template-columns:repeat(auto-fill,minmax(17rem,1fr));gap:0 1.2rem}.multiples svg{max-width:none}.multiples figcaption{font-size:.85rem}
.scroll{overflow-x:auto}
table{border-collapse:collapse;font-variant-numeric:tabular-nums;margin:.3rem 0 1rem;font-size:.9rem}
caption{text-align:left;font-weight:600;padding:.2rem 0}
th,td{border:1px solid #c8c8c8;padding:.1rem .45rem;text-align:right;white-space:nowrap}
tbody th,thead th:first-child{text-align:left}thead th{background:#f0f0f0}
.legend{list-style:none;padding:0;margin:.2rem 0;display:flex;flex-wrap:wrap;gap:.1rem 1.2rem}
.legend svg.key{display:inline-block;width:.85em;height:.85em;margin-right:.35em;vertical-align:-.05em}
svg text{font-size:12px;fill:#333}
.grid{stroke:#e2e2e2}.axis{stroke:#777}
.line{fill:none;stroke:#0072b2;stroke-width:2}.point{fill:#0072b2}
.reference{fill:none;stroke:#888;stroke-width:1.5;stroke-dasharray:4 3}
.bin{fill:#56b4e9}.median{stroke:#000;stroke-dasharray:3 2}.slowest{stroke:#d55e00;stroke-width:1.5}.slowest-tip{fill:#d55e00}
.s0{fill:#009e73}.s1{fill:#e69f00}.s2{fill:#f0e442}.s3{fill:#56b4e9}.s4{fill:#d55e00}
.s5{fill:#cc79a7}.s6{fill:#999}.s7{fill:#0072b2}.s8{fill:#000}.s9{fill:#c9b99a}
rect[class^=s]{stroke:#fff;stroke-width:.5}
@media print{body{max-width:none;padding:0;font-size:10pt}.scroll{overflow:visible}
figure{break-inside:avoid}h2,h3,caption{break-after:avoid}thead th{background:none}
.multiples{grid-template-columns:repeat(3,1fr)}table{font-size:8pt}td{white-space:normal}
svg{max-width:17cm}}
)";

}  // namespace

std::string ReportPage(const ReportInput& input) {
  return std::string(
             "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
             "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
             "'unsafe-inline'\">"
             "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
             "<title>Yield report</title><style>") +
         std::string(kStyle) + "</style></head>\n<body>" + page::Reading(input) + "<main>" +
         page::YieldByDay(input) + page::Outcomes(input.figures) + page::Failures(input.figures) +
         page::Seconds(input.figures) + "</main></body></html>\n";
}

}  // namespace report
