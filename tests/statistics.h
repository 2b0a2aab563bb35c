// Chi-square tests for the draws the tests pin with fixed seeds.
#ifndef SONGWHIM_TESTS_STATISTICS_H_
#define SONGWHIM_TESTS_STATISTICS_H_

#include <cmath>
#include <cstddef>
#include <vector>

// The chi-square statistic of `counts` against `expected` each.
inline double ChiSquare(const std::vector<double>& counts, double expected) {
  double sum = 0;
  for (double count : counts) sum += (count - expected) * (count - expected) / expected;
  return sum;
}

// The critical value at p = 0.001 for `freedom` degrees of freedom: Wilson
// and Hilferty's approximation, close to the tables for these sizes.
inline double Critical(std::size_t freedom) {
  double f = static_cast<double>(freedom), z = 3.090232;
  double root = 1 - 2 / (9 * f) + z * std::sqrt(2 / (9 * f));
  return f * root * root * root;
}

#endif  // SONGWHIM_TESTS_STATISTICS_H_
