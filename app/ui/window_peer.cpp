#include "window_peer.h"

#include <atomic>

namespace ui {
namespace {
std::atomic<Backend*> gBackend{nullptr};
}  // namespace

Backend* SetBackend(Backend* backend) { return gBackend.exchange(backend); }
Backend* CurrentBackend() { return gBackend.load(); }

}  // namespace ui
