// Decompositions whose work space does not fit in what the address-space
// limit leaves: std::bad_alloc (the run's "out of memory"), never a failure
// code that reads as a singular matrix; and the C interface turns it into its
// failure code instead of letting it through.
#include <gtest/gtest.h>

#include <kj80x.h>

#include <functional>
#include <new>
#include <sys/resource.h>
#include <vector>

#include "num/linalg_eigen.h"
#include "num/linalg_eigensym.h"
#include "num/linalg_ldl.h"
#include "num/linalg_kernels.h"
#include "num/linalg_lu.h"
#include "num/linalg_rank.h"
#include "num/linalg_svd.h"
#include "platform/memory.h"

namespace kj::num {
namespace {

// An address-space limit of what is mapped now plus `room`, for the life of
// the object.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(std::uint64_t room) {
        getrlimit(RLIMIT_AS, &m_saved);
        rlimit tight = m_saved;
        tight.rlim_cur = platform::address_space_used() + room;
        m_set = setrlimit(RLIMIT_AS, &tight) == 0;
    }
    ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &m_saved); }
    bool set() const { return m_set; }

private:
    rlimit m_saved{};
    bool m_set = false;
};

// An n x n matrix whose rows all share one row: decompositions only read it,
// so that its size costs no memory.
struct SharedRows {
    explicit SharedRows(int n) : row(static_cast<std::size_t>(n), 0.5), rows(static_cast<std::size_t>(n), row.data()) {}
    std::vector<double> row;
    std::vector<double*> rows;
};

#if defined(__SANITIZE_ADDRESS__)
constexpr bool k_sanitized = true;  // its shadow memory does not fit under a limit
#else
constexpr bool k_sanitized = false;
#endif

TEST(WorkSpace, TooLargeIsOutOfMemoryNotAFailedDecomposition) {
    if (k_sanitized) GTEST_SKIP() << "no address-space limit under the address sanitizer";
    // 3.2 GB for one n x n work block: more than any heap this process has freed.
    constexpr int n = 20000;
    SharedRows a(n);
    std::vector<double> w(n), re(n), im(n);
    const std::vector<std::pair<const char*, std::function<int()>>> cases = {
        {"invert", [&] { return invert_default(a.rows.data(), n, nullptr, nullptr); }},
        {"invertsym", [&] { return invertsym_default(a.rows.data(), n, nullptr); }},
        {"eigensym", [&] { return eigensym_default(a.rows.data(), n, w.data(), 0); }},
        {"eigen", [&] { return eigen_default(a.rows.data(), n, re.data(), im.data(), nullptr); }},
        {"decsvd", [&] { return decsvd_default(a.rows.data(), n, n, w.data(), nullptr, nullptr, 1); }},
        {"rank", [&] { return matrix_rank(a.rows.data(), n, n, 1e-10, false); }},
    };
    AddressSpaceLimit limit(std::uint64_t{32} << 20);
    ASSERT_TRUE(limit.set());
    for (const auto& [what, run] : cases) EXPECT_THROW(run(), std::bad_alloc) << what;
}

TEST(WorkSpace, TheCInterfaceGivesItsFailureCode) {
    if (k_sanitized) GTEST_SKIP() << "no address-space limit under the address sanitizer";
    constexpr int n = 20000;
    SharedRows a(n);
    std::vector<double> w(n);
    // The default kernel as a host receives it, and the exported routines.
    auto invert = reinterpret_cast<KjKnlInvertFn>(KjGetKernel("KjKnlInvert"));
    ASSERT_NE(invert, nullptr);
    AddressSpaceLimit limit(std::uint64_t{32} << 20);
    ASSERT_TRUE(limit.set());
    EXPECT_EQ(invert(a.rows.data(), n, nullptr, nullptr), 1);
    EXPECT_EQ(IInvert(a.rows.data(), n), 1);
    EXPECT_EQ(IDecSVD(a.rows.data(), n, n, w.data(), nullptr, nullptr), 2);
    EXPECT_EQ(IMatRank(a.rows.data(), n, n, 1e-10, 0), -1);
}

TEST(WorkSpace, AHandedOutDefaultInstallsAsTheDefault) {
    void* handed = KjGetKernel("KjKnlInvert");
    ASSERT_EQ(FKjSetKernel("KjKnlInvert", handed), 1);
    EXPECT_EQ(reinterpret_cast<void*>(kernels().invert), reinterpret_cast<void*>(invert_default));
    EXPECT_EQ(KjGetKernel("KjKnlInvert"), handed);
}

}  // namespace
}  // namespace kj::num
