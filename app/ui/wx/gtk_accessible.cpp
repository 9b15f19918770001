#include "gtk_accessible.h"

#include <dlfcn.h>

namespace ui::wx {
namespace {

using GetAccessibleFn = void* (*)(void*);
using SetStringFn = void (*)(void*, const char*);

template <typename Fn>
Fn Lookup(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_DEFAULT, name));
}

}  // namespace

void SetAccessibleText(void* widget, const std::string& name, const std::string& description) {
  static const auto getAccessible = Lookup<GetAccessibleFn>("gtk_widget_get_accessible");
  static const auto setName = Lookup<SetStringFn>("atk_object_set_name");
  static const auto setDescription = Lookup<SetStringFn>("atk_object_set_description");
  if (!widget || !getAccessible || !setName || !setDescription) return;
  void* accessible = getAccessible(widget);
  if (!accessible) return;
  setName(accessible, name.c_str());
  setDescription(accessible, description.c_str());
}

}  // namespace ui::wx
