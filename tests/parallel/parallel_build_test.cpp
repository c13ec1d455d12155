#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include <sin_cos/sampler.hpp>

namespace {

struct request {
    double xini, xfin, H;
    int M, n;
    sin_cos::mode m;
};

// A table, or the failure that stopped its build.
struct outcome {
    sin_cos::table table;
    int status = 0;
    std::string message;
};

outcome build(const request& r)
{
    outcome o;
    try {
        o.table = sin_cos::build_table(sin_cos::law{r.xini, r.xfin, r.H, r.M}, r.n, r.m);
    } catch (const sin_cos::build_error& e) {
        o.status = static_cast<int>(e.kind());
        o.message = e.what();
    }
    return o;
}

// Kept classic tables, recalibrated ones, tight ones, and failures of both kinds.
const request requests[] = {
    {-1, 1, 2, 4, 2000, sin_cos::mode::classic},       {-0.3, 0.9, 2.11, 4, 500, sin_cos::mode::classic},
    {0, 1, 1, 4, 300, sin_cos::mode::classic},         {-1, -0.3, 2, 0, 300, sin_cos::mode::classic},
    {-1, 1, 2, 4, 3000, sin_cos::mode::tight},           {0.2, 0.9, 30, 10, 200, sin_cos::mode::tight},
    {-0.5, 0.8, 2, 4, 1, sin_cos::mode::classic},      {0.5, -0.5, 2, 4, 10, sin_cos::mode::tight},
};
constexpr int count = sizeof requests / sizeof requests[0];

// Each thread builds every table, starting at its own place in the list, so
// that different builds overlap; each must come out as it does alone.
TEST(Parallel, BuildsOnSeveralThreadsMatchTheSameBuildsOneAfterAnother)
{
    std::vector<outcome> alone;
    for (const request& r : requests) alone.push_back(build(r));
    EXPECT_EQ(alone[6].status, static_cast<int>(sin_cos::errc::numerical));
    EXPECT_EQ(alone[7].status, static_cast<int>(sin_cos::errc::refused));

    constexpr int threads = 4;
    std::vector<std::vector<outcome>> together(threads, std::vector<outcome>(count));
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t) {
        running.emplace_back([t, &together] {
            for (int k = 0; k < count; ++k) {
                const int i = (t * 3 + k) % count;
                together[t][i] = build(requests[i]);
            }
        });
    }
    for (std::thread& thread : running) thread.join();

    for (int t = 0; t < threads; ++t) {
        for (int i = 0; i < count; ++i) {
            SCOPED_TRACE(testing::Message() << "thread " << t << ", request " << i);
            const outcome& a = alone[i];
            const outcome& b = together[t][i];
            EXPECT_EQ(b.status, a.status);
            EXPECT_EQ(b.message, a.message);
            EXPECT_EQ(b.table.edges, a.table.edges);
            EXPECT_EQ(b.table.a, a.table.a);
            EXPECT_EQ(b.table.loss, a.table.loss);
        }
    }
}

// A set of laws built side by side gives each law's table alone, and its
// failure is the first failing law's in order, whatever the scheduling.
TEST(Parallel, SetsOfLawsMatchTheirSingleBuildsAndFailAtTheFirstInOrder)
{
    const std::vector<sin_cos::law> laws = {{0, 1, 1, 4}, {-1, -0.3, 2, 0}, {-1, 1, 2, 4}, {-0.3, 0.9, 2.11, 4},
                                            {0.2, 0.9, 30, 10}};
    for (const sin_cos::mode m : {sin_cos::mode::classic, sin_cos::mode::tight}) {
        const std::vector<sin_cos::table> set = sin_cos::build_tables(laws, 300, m);
        ASSERT_EQ(set.size(), laws.size());
        for (std::size_t k = 0; k < laws.size(); ++k) {
            const sin_cos::law& l = laws[k];
            const sin_cos::table alone = sin_cos::build_table(sin_cos::law{l.xini, l.xfin, l.H, l.M}, 300, m);
            EXPECT_EQ(set[k].edges, alone.edges) << k;
            EXPECT_EQ(set[k].a, alone.a) << k;
        }
    }
    std::vector<sin_cos::law> failing = laws;
    failing.insert(failing.begin() + 3, {-1, 1, 1e30, 4});
    failing.push_back({-1, 1, 1e40, 0});
    for (int round = 0; round < 5; ++round) {
        try {
            sin_cos::build_tables(failing, 300);
            ADD_FAILURE() << "built";
        } catch (const sin_cos::build_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("law 4 (", 0), 0u) << e.what();
        }
    }
}

}  // namespace
