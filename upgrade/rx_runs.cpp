// Where the bytes delivered since an earlier snapshot lie in the buffer.
#include <algorithm>

#include "rx_snapshot.h"

std::array<RxRun, 2> RxSnapshot::NewSince(std::uint32_t earlier) const {
  const std::uint32_t added = count - earlier;
  if (added <= fill) return {RxRun{fill - added, fill, false}, RxRun{fill, fill, false}};
  const std::size_t beforeStart = added - fill;
  // More than the previous pass through the buffer holds: its start is lost too.
  const bool lost = beforeStart > wrapFill;
  const std::size_t begin = lost ? 0 : wrapFill - beforeStart;
  // The bytes since the start went over the first `fill` of them.
  const std::size_t kept = std::max(begin, fill);
  return {RxRun{kept, std::max(kept, wrapFill), lost || kept > begin}, RxRun{0, fill, false}};
}
