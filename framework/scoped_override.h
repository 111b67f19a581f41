// The program's seams are process-wide values (tables of functions, a
// transport) that the program reads at each use: the main window's table of
// subsystem entry points, the side-effect table, the profile backend, the
// mail transport, the memory cleaner's memory. A test replaces one for the
// length of a scope and gets the old one back however the scope ends.
#pragma once

template <typename T>
class CScopedOverride {
 public:
  // Keeps the seam as it is now; the scope may change it freely.
  explicit CScopedOverride(T& seam) : seam_(seam), saved_(seam) {}
  CScopedOverride(T& seam, const T& replacement) : seam_(seam), saved_(seam) { seam_ = replacement; }
  ~CScopedOverride() { seam_ = saved_; }
  CScopedOverride(const CScopedOverride&) = delete;
  CScopedOverride& operator=(const CScopedOverride&) = delete;

 private:
  T& seam_;
  T saved_;
};
