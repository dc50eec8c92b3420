#include "sim/module.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace qx::sim {
namespace {

constexpr int k9600 = 6;

ModuleSettings Settings0A(bool checksum = false) {
    ModuleSettings s;
    s.address = 0x0A;
    s.baudCode = k9600;
    s.checksum = checksum;
    s.moduleModel = 1520;
    s.moduleFirmware = 102;
    s.instrumentModel = 520;
    s.instrumentFirmware = 210;
    s.instrumentNumber = 12345678;
    s.config = 0x5D;
    return s;
}

// `text` followed by its two checksum digits, as a request with checksums on travels.
std::string WithSum(const std::string& text) {
    std::string f = Frame(text, true);
    f.pop_back();
    return f;
}

struct Case {
    const char* request;
    std::optional<std::string> reply;
};

TEST(SimModule, AnswersTheIdentificationCommandsWithTheirLayouts) {
    const Case cases[] = {
        {"$0AM", "!0A15200520"}, {"$0AF", "!0A01020210"}, {"$0AN", "!0A12345678"},
        {"$0A2", "!0A5D060E"},  // flags: value, number, instrument attached
        {"$0A0", "!0A"},         {"$0aM", "!0A15200520"},  // either case of hex digits addresses
                                                           // the module
        {"$0BM", std::nullopt},                            // another module's address
        {"$0AX", "?0A"},                                   // unknown command: refused
        {"$0AMM", "?0A"},                                  // trailing characters: refused
        {"@0ARF", "?0A"},                                  // logger command of another module model
        {"%0A", "?0A"},                                    // configuration command cut short
        {"$0", std::nullopt},                              // no address
        {"!0AM", std::nullopt},                            // not a request
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        Module m(Settings0A());
        EXPECT_EQ(m.Respond(c.request, k9600, 0.0), c.reply) << c.request;
    }
}

TEST(SimModule, OtherBaudRateIsNeverAnswered) {
    Module m(Settings0A());
    EXPECT_EQ(m.Respond("$0AM", 5, 0.0), std::nullopt);
    EXPECT_EQ(m.Respond("$0AM", -1, 0.0), std::nullopt);
    EXPECT_TRUE(m.Respond("$0AM", k9600, 0.0).has_value());
}

TEST(SimModule, ChecksumModeOfRequestMustMatch) {
    Module on(Settings0A(true));
    EXPECT_EQ(on.Respond(WithSum("$0AM"), k9600, 0.0), "!0A15200520");
    EXPECT_EQ(on.Respond("$0AM", k9600, 0.0), std::nullopt);  // no checksum
    std::string bad = WithSum("$0AM");
    bad.back() = bad.back() == '0' ? '1' : '0';
    EXPECT_EQ(on.Respond(bad, k9600, 0.0), std::nullopt);  // wrong checksum
    // Lower-case checksum digits count the same.
    std::string lower = WithSum("$0AM");
    for (char& c : lower)
        if (c >= 'A' && c <= 'F' && &c > &lower[3]) c = static_cast<char>(c - 'A' + 'a');
    EXPECT_EQ(on.Respond(lower, k9600, 0.0), "!0A15200520");
    EXPECT_EQ(on.Respond(WithSum("$0AX"), k9600, 0.0), "?0A");  // refused, not ignored

    Module off(Settings0A(false));
    EXPECT_EQ(off.Respond(WithSum("$0AM"), k9600, 0.0), std::nullopt);
    EXPECT_EQ(off.Respond(WithSum("#0A"), k9600, 0.0), std::nullopt);
    EXPECT_EQ(off.Respond("$0AMZZ", k9600, 0.0), "?0A");  // not a checksum: just malformed
}

TEST(SimModule, ConfigurationCommandChangesAddressNowAndLineSettingsAtPowerCycle) {
    Module m(Settings0A());
    EXPECT_EQ(m.Respond("%0A0B2F0740", k9600, 0.0), "!0B");
    EXPECT_EQ(m.Settings().address, 0x0B);
    EXPECT_EQ(m.Settings().config, 0x2F);
    EXPECT_EQ(m.Settings().baudCode, k9600);
    EXPECT_FALSE(m.Settings().checksum);
    EXPECT_EQ(m.PendingBaudCode(), 7);
    EXPECT_TRUE(m.PendingChecksum());
    // The old address is gone at once, the old line settings stay until the power cycle.
    EXPECT_EQ(m.Respond("$0A2", k9600, 0.0), std::nullopt);
    EXPECT_EQ(m.Respond("$0B2", k9600, 0.0), "!0B2F060E");
    m.PowerCycle();
    EXPECT_EQ(m.Respond("$0B2", k9600, 0.0), std::nullopt);
    EXPECT_EQ(m.Respond("$0B2", 7, 0.0), std::nullopt);  // checksums now required
    EXPECT_EQ(m.Respond(WithSum("$0B2"), 7, 0.0), "!0B2F074E");
}

TEST(SimModule, ConfigurationCommandWithBadBaudCodeChangesNothing) {
    for (const char* req : {"%0A0B2F0900", "%0A0B2F0200", "%0A0B2FZZ00", "%0A0B2F06"}) {
        Module m(Settings0A());
        EXPECT_EQ(m.Respond(req, k9600, 0.0), "?0A") << req;
        EXPECT_EQ(m.Settings().address, 0x0A) << req;
        EXPECT_EQ(m.Settings().config, 0x5D) << req;
        EXPECT_EQ(m.PendingBaudCode(), k9600) << req;
    }
}

TEST(SimModule, InstrumentUnpluggedShowsInFlagsModelsAndValue) {
    Module m(Settings0A());
    auto value = m.Respond("#0A", k9600, 0.0);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->substr(0, 1), ">");
    m.SetInstrumentAttached(false);
    EXPECT_EQ(m.Respond("$0A2", k9600, 0.0), "!0A5D0606");
    EXPECT_EQ(m.Respond("$0AM", k9600, 0.0), "!0A15200000");
    EXPECT_EQ(m.Respond("$0AF", k9600, 0.0), "!0A01020000");
    EXPECT_EQ(m.Respond("#0A", k9600, 0.0), "?0A");
    m.SetInstrumentAttached(true);
    EXPECT_EQ(m.Respond("$0A2", k9600, 0.0), "!0A5D060E");
    m.SetNoValue(true);
    EXPECT_EQ(m.Respond("#0A", k9600, 0.0), "?0A");
}

TEST(SimModule, InstrumentNumberOnlyWithItsFormatFlag) {
    ModuleSettings s = Settings0A();
    s.formatFlags = kFlagValue;
    Module m(s);
    EXPECT_EQ(m.Respond("$0AN", k9600, 0.0), "?0A");
    EXPECT_EQ(m.Respond("$0A2", k9600, 0.0), "!0A5D060A");
}

TEST(SimModule, ValueVariesSlowlyAndParsesBack) {
    Module m(Settings0A(true));
    double previous = 0;
    for (int t = 0; t <= 120; t += 10) {
        auto reply = m.Respond(WithSum("#0A"), k9600, t);
        ASSERT_TRUE(reply.has_value());
        ASSERT_EQ(reply->size(), 7u) << *reply;  // ">", sign, five characters
        double v = 0;
        int sign = 0;
        // The link reads it with the checksum digits behind the number.
        ASSERT_TRUE(ParseValueReply(Frame(*reply, true), &v, &sign)) << *reply;
        EXPECT_EQ(sign, 1);
        EXPECT_GT(v, 10.0);
        EXPECT_LT(v, 15.0);
        if (t > 0) {
            EXPECT_LT(std::abs(v - previous), 1.0);
        }
        previous = v;
    }
}

}  // namespace
}  // namespace qx::sim
