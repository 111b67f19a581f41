// The program's seams are process-wide values (tables of functions, a
// transport) that the program reads at each use. A test replaces one for
// the length of a scope and gets the old one back however the scope ends.
#pragma once

template <typename T>
class CScopedOverride {
 public:
  CScopedOverride(T& seam, const T& replacement) : seam_(seam), saved_(seam) { seam_ = replacement; }
  ~CScopedOverride() { seam_ = saved_; }
  CScopedOverride(const CScopedOverride&) = delete;
  CScopedOverride& operator=(const CScopedOverride&) = delete;

 private:
  T& seam_;
  T saved_;
};
