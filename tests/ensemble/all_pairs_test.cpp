// The all-against-all matrix against a plain float64 least-squares fit
// (NumPy's SVD, values in the table below), the matrix against the single
// pair's arithmetic, and the same bits for every number of threads.
#include "ensemble/all_pairs.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ensemble/members.hpp"
#include "ensemble/residual.hpp"

namespace {

// Member m of a made-up ensemble of n atoms: a scatter of points, moved
// atom by atom by up to 1 A, turned a quarter or half about an axis, and
// shifted. Every value is a multiple of 1/8, exact in binary, so the
// reference script builds the very same coordinates.
std::vector<double> member(int m, int n) {
  std::vector<double> xyz;
  for (int i = 0; i < n; ++i) {
    double x = ((i * 37) % 101) * 0.25, y = ((i * 53) % 97) * 0.25, z = ((i * 71) % 89) * 0.25;
    x += (((i * m * 13) % 17) - 8) * 0.125;
    y += (((i * m * 7 + 3) % 11) - 5) * 0.125;
    z += (((i + m * 5) % 7) - 3) * 0.125;
    const double u = x, v = y, w = z;
    switch (m % 4) {
      case 1:
        x = v, y = -u;
        break;
      case 2:
        y = -w, z = v;
        break;
      case 3:
        x = -u, z = -w;
        break;
      default:
        break;
    }
    xyz.insert(xyz.end(), {x + 1.5 * m, y - 0.5 * m, z + 0.25 * m});
  }
  return xyz;
}

ensemble::Members made_up(int count, int n) {
  std::vector<std::vector<double>> coordinates;
  for (int m = 0; m < count; ++m) coordinates.push_back(member(m, n));
  return ensemble::make_members(coordinates);
}

struct Reference {
  int a, b;
  double rmsd;
};

// 40 atoms, 70 members: NumPy, centred, SVD of the correlation, reflection
// excluded: sqrt((|a|^2 + |b|^2 - 2 (s1 + s2 + d s3)) / n).
// clang-format off
constexpr Reference REFERENCE[] = {
    { 0,  1, 0.8206119300200626},
    { 0,  2, 0.8390002011093307},
    { 1,  3, 0.9779459956945169},
    { 2,  5, 1.0313765956038785},
    { 4,  7, 0.8452099365589363},
    { 0, 69, 0.8236101568718633},
    {33, 68, 0.7317489446352228},
};
// clang-format on

TEST(RmsdMatrix, AgreesWithFloat64Reference) {
  const ensemble::Members members = made_up(70, 40);
  const std::vector<double> matrix = ensemble::rmsd_matrix(members, 1);
  for (const Reference& r : REFERENCE) {
    EXPECT_NEAR(matrix[r.a * 70 + r.b], r.rmsd, 1e-9) << r.a << " " << r.b;
    EXPECT_EQ(matrix[r.a * 70 + r.b], matrix[r.b * 70 + r.a]);
  }
  for (int m = 0; m < 70; ++m) EXPECT_EQ(matrix[m * 70 + m], 0.0);
}

TEST(RmsdMatrix, SameBitsForEveryThreadCountAndAsSinglePairs) {
  // More members than a block, so rows are split and shared out.
  const ensemble::Members members = made_up(2 * ensemble::MEMBER_BLOCK + 5, 12);
  const std::vector<double> one = ensemble::rmsd_matrix(members, 1);
  for (const int threads : {2, 3, 8}) {
    EXPECT_EQ(ensemble::rmsd_matrix(members, threads), one) << threads << " threads";
  }
  const int count = members.count;
  for (int a = 0; a < count; a += 7) {
    for (int b = a + 1; b < count; b += 5) {
      EXPECT_EQ(ensemble::pair_rmsd(members, a, b), one[a * count + b]) << a << " " << b;
    }
  }
}

TEST(RmsdMatrix, MirrorImageIsNoRotation) {
  // The mirror image of member 0 (x negated) cannot be turned onto it.
  std::vector<double> mirror = member(0, 40);
  for (std::size_t i = 0; i < mirror.size(); i += 3) mirror[i] = -mirror[i];
  const std::vector<std::vector<double>> pair = {member(0, 40), mirror};
  EXPECT_NEAR(ensemble::rmsd_matrix(ensemble::make_members(pair), 1)[1], 12.58969167378087, 1e-9);
}

TEST(RmsdMatrix, CopiesTurnedAndShiftedFitExactly) {
  // Member 1 is member 0 turned a quarter about z and shifted: RMSD 0 to
  // within the rounding of the residual of a 40-atom set.
  std::vector<double> turned = member(0, 40);
  for (std::size_t i = 0; i < turned.size(); i += 3) {
    const double x = turned[i];
    turned[i] = turned[i + 1] + 3.0;
    turned[i + 1] = -x;
  }
  const std::vector<std::vector<double>> pair = {member(0, 40), turned};
  EXPECT_NEAR(ensemble::rmsd_matrix(ensemble::make_members(pair), 1)[1], 0.0, 1e-6);
}

TEST(Residual, StraightLineIsLeftToTheFullSolver) {
  // Any turn about the line fits as well: a double largest root.
  ensemble::Correlation s{};
  s[0][0] = 10.0;  // points on the x axis, both sets
  EXPECT_FALSE(ensemble::residual_from_correlation(s, 10.0, 10.0).has_value());
  const std::vector<std::vector<double>> line = {{-1, 0, 0, 0, 0, 0, 1, 0, 0},
                                                 {0, -2, 0, 0, 0, 0, 0, 2, 0}};
  const std::vector<double> matrix = ensemble::rmsd_matrix(ensemble::make_members(line), 1);
  EXPECT_NEAR(matrix[1], std::sqrt(2.0 / 3.0), 1e-12);  // 1 A too short at each end
}

TEST(RmsdMatrix, FailedFitIsNotANumberNotZero) {
  // A coordinate that is no number fails every fit of its member: the cell
  // must say so, not read as a perfect fit.
  std::vector<double> broken = member(0, 40);
  broken[4] = std::nan("");
  const std::vector<std::vector<double>> pair = {member(0, 40), broken};
  EXPECT_TRUE(std::isnan(ensemble::rmsd_matrix(ensemble::make_members(pair), 1)[1]));
}

TEST(Residual, QuarterTurnAboutZ) {
  // Target (1,0,0) (-1,0,0) (0,2,0) (0,-2,0), moving turned a quarter about z.
  const ensemble::Correlation s = {{{0, 2, 0}, {-8, 0, 0}, {0, 0, 0}}};
  const std::optional<double> e = ensemble::residual_from_correlation(s, 10.0, 10.0);
  ASSERT_TRUE(e.has_value());
  EXPECT_NEAR(*e, 0.0, 1e-12);
}

TEST(Members, CentredOnceAboutTheirMean) {
  const std::vector<std::vector<double>> one = {{0, 0, 0, 2, 0, 0}};
  const ensemble::Members m = ensemble::make_members(one);
  EXPECT_EQ(m.centre, (std::vector<double>{1, 0, 0}));
  EXPECT_EQ(m.centred, (std::vector<double>{-1, 0, 0, 1, 0, 0}));
  EXPECT_EQ(m.squared_sum, (std::vector<double>{2}));
}

}  // namespace
