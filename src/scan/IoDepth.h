#pragma once
// How many file-system requests the scan and the fill keep in flight at most. A local disk
// with a warm cache answers in microseconds and gains nothing from more than a helper or two;
// a cold disk or a network share answers in milliseconds and gains from many requests at
// once. The helpers start few and add more only while requests are slow, up to this depth.
// VELLORA_IO_DEPTH (1 to 128) overrides it; 1 makes every request one after the other, and
// any other value says the files answer slowly: folders are read ahead from the start.

namespace vellora {

inline constexpr int kDefaultIoDepth = 32;

// A request slower than this counts as waiting on the device, not on the processor.
inline constexpr long long kSlowRequestNs = 20000;

[[nodiscard]] int ioDepth();
// Whether VELLORA_IO_DEPTH sets the depth.
[[nodiscard]] bool ioDepthGiven();

// How many files this process may have open at once (its soft limit).
[[nodiscard]] long openFilesLimit();

} // namespace vellora
