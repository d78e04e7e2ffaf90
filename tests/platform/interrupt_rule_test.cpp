// Which interrupts end the program at once: a person's second Ctrl-C does, the echo of the
// first from a signal sent to the whole process group does not.
#include "platform/interrupt_rule.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {
struct Delivery {
    int signal;
    uint64_t atMs;
    InterruptVerdict verdict;
};

TEST(InterruptRule, EchoesAreOneRequestAndLaterInterruptsInsist) {
    const uint64_t t = 1000000;  // any clock reading; time 0 must not look like "none yet"
    const struct {
        const char* what;
        std::vector<Delivery> deliveries;
    } cases[] = {
        {"one signal", {{SIGTERM, t, INTERRUPT_FIRST}}},
        {"timeout: the program, then its group", {{SIGTERM, t, INTERRUPT_FIRST}, {SIGTERM, t + 1, INTERRUPT_ECHO}}},
        {"echoes for up to half a second",
         {{SIGINT, t, INTERRUPT_FIRST}, {SIGINT, t + 200, INTERRUPT_ECHO}, {SIGINT, t + 499, INTERRUPT_ECHO}}},
        {"the same key pressed again later", {{SIGINT, t, INTERRUPT_FIRST}, {SIGINT, t + 500, INTERRUPT_INSISTS}}},
        {"another signal at once", {{SIGTERM, t, INTERRUPT_FIRST}, {SIGINT, t + 1, INTERRUPT_INSISTS}}},
        {"the first signal counts, not the echo",
         {{SIGTERM, 0, INTERRUPT_FIRST}, {SIGTERM, 400, INTERRUPT_ECHO}, {SIGTERM, 600, INTERRUPT_INSISTS}}},
    };
    for (const auto& c : cases) {
        std::atomic<uint64_t> first{0};
        for (const Delivery& d : c.deliveries)
            EXPECT_EQ(noteInterrupt(&first, d.signal, d.atMs), d.verdict) << c.what << ", signal at " << d.atMs;
        EXPECT_EQ(firstInterruptSignal(first), c.deliveries.front().signal) << c.what;
    }
}
}  // namespace
