// The correlation sums of one target against a block of moving members:
// nine products per pair and atom, kept in nine locals over the atom loop,
// which the compiler vectorises two sums to a register. Each sum is added in
// atom order whatever the vector width, so the block and pair_rmsd agree to
// the last bit.
#include "ensemble/all_pairs.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>

#include "ensemble/parallel.hpp"
#include "ensemble/residual.hpp"
#include "torvex/structure_run.hpp"

namespace ensemble {
namespace {

using std::size_t;

// The full solver, where Newton cannot vouch for its root: the pair's
// centred atoms fitted by the quaternion matrix and its Jacobi rotations.
double residual_by_full_fit(const Members& members, int target, int moving) {
  const auto atoms = static_cast<size_t>(members.atoms);
  const double* t = members.centred.data() + static_cast<size_t>(target) * 3 * atoms;
  const double* m = members.centred.data() + static_cast<size_t>(moving) * 3 * atoms;
  std::vector<torvex::Xyz> a(atoms), b(atoms);
  for (size_t i = 0; i < atoms; ++i) {
    for (size_t c = 0; c < 3; ++c) {
      a[i][c] = t[3 * i + c];
      b[i][c] = m[3 * i + c];
    }
  }
  const torvex::RigidFit fit = torvex::fit_coords(a, b);
  return fit.converged ? fit.eigenvalues[3] : std::nan("");
}

double rmsd_of(const Members& members, int target, int moving, const Correlation& s) {
  const std::optional<double> residual =
      residual_from_correlation(s, members.squared_sum[target], members.squared_sum[moving]);
  const double e = residual ? *residual : residual_by_full_fit(members, target, moving);
  // A pair whose fit failed stays NaN; only rounding below zero is cut.
  return std::sqrt((e < 0.0 ? 0.0 : e) / members.atoms);
}

// Sums of target `t` against moving members first .. first + length - 1
// into s[k][j] (k = 3 * target axis + moving axis, j the member's place).
void block_sums(const Members& members, int t, int first, int length,
                double (&s)[9][MEMBER_BLOCK]) {
  const auto stride = 3 * static_cast<size_t>(members.atoms);
  const int atoms = members.atoms;
  const double* target = members.centred.data() + static_cast<size_t>(t) * stride;
  for (int j = 0; j < length; ++j) {
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0, s4 = 0, s5 = 0, s6 = 0, s7 = 0, s8 = 0;
    const double* m = members.centred.data() + static_cast<size_t>(first + j) * stride;
    const double* u = target;
    for (int i = 0; i < atoms; ++i, m += 3, u += 3) {
      const double x = m[0], y = m[1], z = m[2];
      const double a = u[0], b = u[1], c = u[2];
      s0 += a * x;
      s1 += a * y;
      s2 += a * z;
      s3 += b * x;
      s4 += b * y;
      s5 += b * z;
      s6 += c * x;
      s7 += c * y;
      s8 += c * z;
    }
    s[0][j] = s0, s[1][j] = s1, s[2][j] = s2, s[3][j] = s3, s[4][j] = s4;
    s[5][j] = s5, s[6][j] = s6, s[7][j] = s7, s[8][j] = s8;
  }
}

Correlation correlation_at(const double (&s)[9][MEMBER_BLOCK], int j) {
  return {{{s[0][j], s[1][j], s[2][j]}, {s[3][j], s[4][j], s[5][j]}, {s[6][j], s[7][j], s[8][j]}}};
}

}  // namespace

std::vector<double> rmsd_matrix(const Members& members, int threads,
                                std::atomic<std::int64_t>* pairs_done) {
  const int count = members.count;
  std::vector<double> matrix(static_cast<size_t>(count) * count, 0.0);
  // Task k: tile (row block, column block), the column block at or after
  // the row block; of a tile on the diagonal only the pairs above it.
  std::vector<std::pair<int, int>> tasks;
  const int blocks = (count + MEMBER_BLOCK - 1) / MEMBER_BLOCK;
  for (int row = 0; row < blocks; ++row) {
    for (int column = row; column < blocks; ++column) tasks.emplace_back(row, column);
  }
  for_each_task(static_cast<std::int64_t>(tasks.size()), thread_count(threads),
                [&](std::int64_t k) {
                  const auto [row, column] = tasks[static_cast<size_t>(k)];
                  const int last = std::min(count, (column + 1) * MEMBER_BLOCK);
                  const int row_end = std::min(count, (row + 1) * MEMBER_BLOCK);
                  std::int64_t done = 0;
                  for (int t = row * MEMBER_BLOCK; t < row_end; ++t) {
                    const int first = std::max(column * MEMBER_BLOCK, t + 1);
                    if (first >= last) continue;
                    double s[9][MEMBER_BLOCK];
                    block_sums(members, t, first, last - first, s);
                    for (int j = 0; j < last - first; ++j) {
                      const int m = first + j;
                      const double rmsd = rmsd_of(members, t, m, correlation_at(s, j));
                      matrix[static_cast<size_t>(t) * count + m] = rmsd;
                      matrix[static_cast<size_t>(m) * count + t] = rmsd;
                    }
                    done += last - first;
                  }
                  if (pairs_done) pairs_done->fetch_add(done, std::memory_order_relaxed);
                });
  return matrix;
}

double pair_rmsd(const Members& members, int target, int moving) {
  const auto atoms = static_cast<size_t>(members.atoms);
  const double* a = members.centred.data() + static_cast<size_t>(target) * 3 * atoms;
  const double* b = members.centred.data() + static_cast<size_t>(moving) * 3 * atoms;
  Correlation s{};
  for (size_t i = 0; i < atoms; ++i, a += 3, b += 3) {
    for (size_t p = 0; p < 3; ++p) {
      for (size_t q = 0; q < 3; ++q) s[p][q] += a[p] * b[q];
    }
  }
  return rmsd_of(members, target, moving, s);
}

}  // namespace ensemble
