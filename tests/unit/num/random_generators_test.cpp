// The uniform generators, seeding, switching and the normal samplers against
// sequences computed independently from the recurrences. Each test works on
// its own state record, selected through a locker, so the global record of
// other tests is not disturbed.
#include <gtest/gtest.h>

#include <kj80x.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "num/random/continuous_draws.h"
#include "num/random/discrete_draws.h"
#include "num/random/generator_state.h"
#include "runtime/random_record.h"

namespace kj::num {
namespace {

using runtime::global_ran_state;
using runtime::ran_loop_seed;

KjRanState g_record;
KjRanState* locked(int) { return &g_record; }

class RandomGenerators : public ::testing::Test {
protected:
    void SetUp() override {
        RanInit(&g_record);
        SetRanLocker(locked);
    }
    void TearDown() override { SetRanLocker(nullptr); }
};

std::string g17(double x) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", x);
    return buf;
}

std::vector<uint32_t> ints(int n) {
    std::vector<uint32_t> v;
    for (int k = 0; k < n; ++k) v.push_back(IRanU());
    return v;
}

std::vector<std::string> uniforms(int n) {
    std::vector<std::string> v;
    for (int k = 0; k < n; ++k) v.push_back(g17(DRanU()));
    return v;
}

using U = std::vector<uint32_t>;
using S = std::vector<std::string>;

TEST_F(RandomGenerators, DefaultSequencesOfEveryGenerator) {
    const U mwc = {276780736, 2971755159, 1159364024, 34291768, 3935938260};
    EXPECT_STREQ(ran_name(g_record), "MWC_52");
    EXPECT_EQ(ints(5), mwc);
    RanInit(&g_record);
    EXPECT_EQ(uniforms(4), (S{"0.56444303693402798", "0.76993547210078195", "0.41640703861274442",
                              "0.15880608944056063"}));

    RanInit(&g_record);
    RanSetRan("MWC8222");
    EXPECT_STREQ(ran_name(g_record), "MWC_32");
    EXPECT_EQ(ints(5), mwc);
    RanInit(&g_record);
    RanSetRan("MWC32");
    EXPECT_EQ(uniforms(4), (S{"0.56444303703028709", "0.191915666568093", "0.76993547205347568",
                              "0.50798417453188449"}));

    RanSetRan("LCG31");
    EXPECT_STREQ(ran_name(g_record), "PM");
    EXPECT_EQ(ints(5), (U{43361907, 1473540619, 325863815, 1601983237, 594188404}));
    RanSetSeed(nullptr, 0);
    EXPECT_EQ(uniforms(2), (S{"0.020191961443141084", "0.68617082186330614"}));

    RanSetRan("MWC60");
    EXPECT_STREQ(ran_name(g_record), "GM");
    EXPECT_EQ(ints(5), (U{545736098, 2010324742, 3890505984, 2686179461, 1575101542}));
    RanSetSeed(nullptr, 0);
    EXPECT_EQ(uniforms(2), (S{"0.12706408699203217", "0.46806520374197907"}));

    RanSetRan("LFSR113");
    EXPECT_STREQ(ran_name(g_record), "LE");
    EXPECT_EQ(ints(5), (U{931506569, 180851512, 1605091553, 417330084, 1048155365}));
    RanSetSeed(nullptr, 0);
    EXPECT_EQ(uniforms(2), (S{"0.21688327402807805", "0.042107773944735589"}));
}

TEST_F(RandomGenerators, SeedingRules) {
    const int s12345 = 12345;
    RanSetRan("PM");
    RanSetSeed(&s12345, 1);
    EXPECT_EQ(ints(5), (U{595905495, 1558181227, 1498755989, 2021244883, 887213142}));
    const int minus5 = -5;
    RanSetSeed(&minus5, 1);
    int w[4] = {};
    EXPECT_EQ(RanGetSeed(w, 4), 1);
    EXPECT_EQ(w[0], 2147483642);
    EXPECT_EQ(ints(3), (U{2147242292, 1234454677, 2132960158}));

    RanSetRan("GM");
    RanSetSeed(&s12345, 1);
    EXPECT_EQ(ints(5), (U{3613501392, 33316414, 165385591, 1005738258, 3151096493}));
    const int two[2] = {1234, 5678};
    RanSetSeed(two, 2);
    EXPECT_EQ(ints(5), (U{438469216, 3668575255, 1584903423, 707283663, 4289866854}));

    RanSetRan("LE");
    const int five = 5;
    RanSetSeed(&five, 1);
    EXPECT_EQ(RanGetSeed(w, 4), 4);
    EXPECT_EQ(std::vector<int>(w, w + 4), (std::vector<int>{127, 127, 127, 127}));
    EXPECT_EQ(ints(3), (U{33044960, 2095224, 4043310560}));
    const int four[4] = {1, 2, 3, 4};
    RanSetSeed(four, 4);
    RanGetSeed(w, 4);
    EXPECT_EQ(std::vector<int>(w, w + 4), (std::vector<int>{112, 1113, 11114, 111115}));
    EXPECT_EQ(ints(3), (U{932553097, 180591152, 1552663781}));
    int before[4], after[4];
    RanGetSeed(before, 4);
    RanSetSeed(two, 2);  // a two-word seed leaves LFSR113 alone
    RanGetSeed(after, 4);
    EXPECT_EQ(std::vector<int>(after, after + 4), std::vector<int>(before, before + 4));

    RanSetRan("");  // ignored: the current generator stays
    EXPECT_STREQ(ran_name(g_record), "LE");
    RanSetRan("xyz");
    EXPECT_STREQ(ran_name(g_record), "MWC_52");
    EXPECT_EQ(RanGetSeed(nullptr, 0), 258);
    RanSetSeed(&s12345, 1);
    EXPECT_EQ(ints(5), (U{1647792852, 3111484619, 971172087, 1113078109, 270686969}));
    RanSetSeed(&s12345, 1);
    EXPECT_EQ(uniforms(3), (S{"0.88365667041925888", "0.72611862223455803", "0.56302422145169706"}));
    // Two words replace the first two table entries; the others stay.
    const int seven_nine[2] = {7, 9};
    RanSetSeed(nullptr, 0);
    RanSetSeed(seven_nine, 2);
    EXPECT_EQ(ints(3), (U{1371409760, 2989908645, 933883429}));

    // The whole state round-trips through the 258 seed words.
    std::vector<int> all(258);
    RanGetSeed(all.data(), 258);
    const U next = ints(4);
    RanSetSeed(&s12345, 1);
    RanSetSeed(all.data(), 258);
    EXPECT_EQ(ints(4), next);
}

TEST_F(RandomGenerators, SwitchingKeepsEachGeneratorsState) {
    S out = uniforms(2);
    RanSetRan("PM");
    for (const auto& u : uniforms(2)) out.push_back(u);
    RanSetRan("MWC_52");
    for (const auto& u : uniforms(2)) out.push_back(u);
    RanSetRan("LE");
    out.push_back(g17(DRanU()));
    RanSetRan("PM");
    out.push_back(g17(DRanU()));
    RanSetRan("MWC_32");
    out.push_back(g17(DRanU()));
    EXPECT_EQ(out, (S{"0.56444303693402798", "0.76993547210078195", "0.020191961443141084", "0.68617082186330614",
                      "0.41640703861274442", "0.15880608944056063", "0.21688327402807805", "0.15174216365057144",
                      "0.09820904431398958"}));
}

// The first normals, and the sum and one far draw of 20000, which takes
// every generator through the wedge and tail steps.
TEST_F(RandomGenerators, NormalSamplers) {
    struct Case {
        const char* name;
        S first;
        const char* sum;
        int far_at;
        const char* far;
    };
    const Case cases[] = {
        {"MWC_52", {"0.22488636695646669", "1.740049933867704", "-0.20426111155202878"}, "-58.590748989091274",
         19999, "4.3409970420389632"},
        {"MWC_32", {"0.28497760221869928", "0.88737191886975408", "-0.27716448777861918"}, "-51.101053682601012",
         17211, "4.2514685768881568"},
        {"PM", {"-0.65201485069547527", "0.46053131986748264", "-0.39087664669748712"}, "-111.64485651139093",
         10552, "4.1092946418405374"},
        {"LE", {"-0.24610565091341979", "-0.78504198894785659", "-0.32254787069182894"}, "-52.675617599883672",
         8123, "3.9345570760592117"},
        {"GM", {"-1.0722702476257802", "-0.091819346694924864", "0.77161029220206401"}, "112.27733129396476", 902,
         "3.9642654555814114"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RanInit(&g_record);
        RanSetRan(c.name);
        std::vector<double> x(20000);
        for (double& v : x) v = DRanNormal();
        EXPECT_EQ((S{g17(x[0]), g17(x[1]), g17(x[2])}), c.first);
        double sum = 0;
        for (double v : x) sum += v;
        EXPECT_EQ(g17(sum), c.sum);
        EXPECT_EQ(g17(x[static_cast<std::size_t>(c.far_at)]), c.far);

        // The matrix fill continues the same sequence, row by row.
        RanInit(&g_record);
        RanSetRan(c.name);
        double** m = MatAllocBlock(100, 200);
        MatRann(m, 100, 200);
        EXPECT_EQ(g17(m[0][2]), c.first[2]);
        EXPECT_EQ(g17(m[c.far_at / 200][c.far_at % 200]), c.far);
        MatFreeBlock(m);
    }
}

TEST_F(RandomGenerators, PolarSpareAndSeedChanges) {
    RanSetRan("PM");
    const double a = DRanNormal();
    const double b = DRanNormal();  // the kept half of the first pair
    EXPECT_EQ(g17(a), "-0.65201485069547527");
    EXPECT_EQ(g17(b), "0.46053131986748264");
    RanSetSeed(nullptr, 0);
    DRanNormal();
    RanSetSeed(nullptr, 0);  // discards the spare: the pair starts again
    EXPECT_EQ(g17(DRanNormal()), "-0.65201485069547527");
    // The polar method on demand, under a ziggurat generator.
    RanInit(&g_record);
    const double u1 = 2 * 0.56444303693402798 - 1, u2 = 2 * 0.76993547210078195 - 1;
    const double s = u1 * u1 + u2 * u2;
    RanInit(&g_record);
    EXPECT_DOUBLE_EQ(DRanNormalPM(), u1 * std::sqrt(-2 * std::log(s) / s));
}

TEST_F(RandomGenerators, MatrixFillsMatchScalarDraws) {
    for (const char* name : {"MWC_52", "MWC_32", "PM", "GM", "LE"}) {
        SCOPED_TRACE(name);
        for (bool normal : {false, true}) {
            RanInit(&g_record);
            RanSetRan(name);
            std::vector<double> want(13);
            for (double& v : want) v = normal ? DRanNormal() : DRanU();
            RanInit(&g_record);
            RanSetRan(name);
            if (normal) DRanNormal();
            double** m = MatAllocBlock(3, 4);
            normal ? MatRann(m, 3, 4) : MatRan(m, 3, 4);
            for (int k = 0; k < 12; ++k) EXPECT_EQ(m[k / 4][k % 4], want[static_cast<std::size_t>(k + normal)]);
            MatFreeBlock(m);
        }
    }
}

// The derived draws whose method is fixed, step by step from the default
// "MWC_52" sequence: every branch of the gamma method, both Poisson methods,
// the logarithmic method and t from a normal and a gamma draw.
TEST_F(RandomGenerators, FixedMethodsFromTheDefaultSequence) {
    struct Case {
        const char* name;
        double (*draw)(KjRanState&);
        S want;
    };
    const Case cases[] = {
        {"gamma 0.4", [](KjRanState& s) { return ran_gamma(s, 0.4, 2); },
         {"0.078852844414415715", "0.0021301045636527459", "0.17220064151298164", "0.10864608589396686"}},
        {"gamma 1", [](KjRanState& s) { return ran_gamma(s, 1, 3); },
         {"0.19063860312325151", "0.087149523370849122", "0.29203067963178869", "0.61335712810042908"}},
        {"gamma 2", [](KjRanState& s) { return ran_gamma(s, 2, 1); },
         {"2.6144527583787216", "0.73096348012858059", "7.3140905361266126", "1.4844337078650409"}},
        {"gamma 7.5", [](KjRanState& s) { return ran_gamma(s, 7.5, 0.5); },
         {"15.317797641065152", "9.8491554813785402", "8.325539397455179", "15.718157285587601"}},
        {"poisson 4", [](KjRanState& s) { return ran_poisson(s, 4); }, {"4", "5", "5", "2"}},
        {"poisson 45", [](KjRanState& s) { return ran_poisson(s, 45); }, {"44", "37", "46", "46"}},
        {"logarithmic 0.95", [](KjRanState& s) { return ran_logarithmic(s, 0.95); }, {"6", "1", "6", "2"}},
        {"t 5", [](KjRanState& s) { return ran_t(s, 5); },
         {"0.30995629679718234", "-1.056857476196329", "-0.21074942333584332", "-0.81409806821920649"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RanInit(&g_record);
        S got;
        for (int k = 0; k < 4; ++k) got.push_back(g17(c.draw(g_record)));
        EXPECT_EQ(got, c.want);
    }
}

// A caller's generator: uniform from its integer draw, normals by the polar method.
uint32_t g_counter;
uint32_t counting(KjRanState*) { return g_counter += 0x10000000u; }
void counting_seed(KjRanState*, const int* s, int n) { g_counter = n > 0 ? static_cast<uint32_t>(s[0]) : 0; }
int counting_get(KjRanState*, int* s, int n) {
    if (s && n > 0) s[0] = static_cast<int>(g_counter);
    return 1;
}

TEST_F(RandomGenerators, CallersGenerator) {
    RanNewRNG(counting, counting_seed, counting_get, nullptr);
    EXPECT_STREQ(ran_name(g_record), "?");
    RanSetSeed(nullptr, 0);
    EXPECT_EQ(DRanU(), 0.0625);
    EXPECT_EQ(DRanU(), 0.125);
    int w = 0;
    EXPECT_EQ(RanGetSeed(&w, 1), 1);
    EXPECT_EQ(w, 0x20000000);
    RanSetRan("GM");  // the built-in generators are still there
    EXPECT_EQ(IRanU(), 545736098u);
}

// Loop seeding on the global record: each iteration's draws depend only on
// the master and the loop value; after the loop the sequence is 256 integer
// draws past its start state when anything was drawn.
TEST(RandomLoopSeeding, IterationsAreIndependentOfOrder) {
    SetRanLocker(nullptr);
    for (const char* name : {"MWC_52", "LE"}) {
        SCOPED_TRACE(name);
        RanInit(&global_ran_state());
        RanSetRan(name);
        auto run = [](const std::vector<int>& order) {
            std::vector<std::string> got(order.size());
            ran_loop_seed(0, -1);
            for (int i : order) {
                ran_loop_seed(i, 0);
                got[static_cast<std::size_t>(i + 2)] = g17(DRanU());
            }
            ran_loop_seed(0, 1);
            return got;
        };
        const auto forward = run({-2, -1, 0, 1, 2, 3});
        RanInit(&global_ran_state());
        RanSetRan(name);
        EXPECT_EQ(run({3, 1, -2, 2, 0, -1}), forward);
        if (std::string(name) == "MWC_52") {
            EXPECT_EQ(forward[0], "0.54618605042774504");
            EXPECT_EQ(forward[2], "0.30249612039374651");
            EXPECT_EQ(forward[5], "0.38812833197534868");
            EXPECT_EQ(g17(DRanU()), "0.40349363391796567");
        } else {
            EXPECT_EQ(forward[0], "0.2185415273997936");
            EXPECT_EQ(forward[5], "0.84579460369423165");
            EXPECT_EQ(g17(DRanU()), "0.18644354329444496");
        }
    }
    // Without draws the global state is left as it was.
    RanInit(&global_ran_state());
    ran_loop_seed(0, -1);
    ran_loop_seed(1, 0);
    ran_loop_seed(0, 1);
    EXPECT_EQ(g17(DRanU()), "0.56444303693402798");
    RanInit(&global_ran_state());
}

}  // namespace
}  // namespace kj::num
