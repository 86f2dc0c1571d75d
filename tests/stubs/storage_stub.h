// The storage stand-in's one switch: a disk that takes every write but refuses to
// push what it holds to the disk (an fsync that fails with EIO).
#pragma once

namespace storagestub {
extern bool RefuseSyncs;
}  // namespace storagestub
