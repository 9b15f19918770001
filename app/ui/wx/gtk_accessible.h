#pragma once
// Sets the name and description that assistive technology (AT-SPI) reads for a
// GTK widget. wxWidgets offers no accessibility interface on GTK, so the ATK
// functions are looked up in the already loaded GTK libraries.
#include <string>

namespace ui::wx {

// widget: the GtkWidget of a wx window (wxWindow::GetHandle()).
void SetAccessibleText(void* widget, const std::string& name, const std::string& description);

}  // namespace ui::wx
