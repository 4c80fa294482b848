// The Mplus Dummy column's value for a uniform draw, found quickly.
#pragma once

namespace s2v {

// A double whose text in fixed notation with 6 decimals is that of
// static_cast<double>(InverseUpperTail(p)), for p in [0, 1).
double DummyValue(long double p);

}  // namespace s2v
