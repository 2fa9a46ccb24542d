#include "config/MemoryFields.h"

#include <gtest/gtest.h>

#include "config/Codec.h"

namespace kdx {
namespace {

TEST(MemoryFields, CoverEveryByteOnceInOrder) {
    std::size_t next = 0;
    for (const MemoryField& field : MemoryFields()) {
        ASSERT_EQ(field.offset, next) << field.name;
        next += field.size;
    }
    EXPECT_EQ(next, layout::kBufferSize);
}

TEST(MemoryFields, DifferencesAreNamedExactly) {
    SetupModel setup;
    const ConfigBuffer before = EncodeSetup(setup);
    setup.commandTable[2] = CommandRow{"ZAP", "RELE1", "SEPNUTI", "5", "ANO"};
    setup.phoneList[9].flagMonitor = "0";
    setup.messageTexts.calmIn2 = "Klid";
    setup.sysValue = "3";
    const ConfigBuffer after = EncodeSetup(setup);

    std::vector<std::string> names;
    for (const MemoryField& field : DifferingFields(before, after)) {
        names.push_back(field.name + ": " + DescribeField(field, before) + " -> " +
                        DescribeField(field, after));
    }
    const std::vector<std::string> expected = {
        "commands[3].sms: \"\" -> \"ZAP\"",
        "sys: 0 -> 3",
        "commands[3].output: SYSTEM -> RELE1",
        "commands[3].action: TEST -> SEPNUTI",
        "commands[3].time+confirm: 0 s, NE -> 5 s, ANO",
        "phones[10].flags: - -> Monitor",
        "texts.calmIn2: \"\" -> \"Klid\"",
    };
    EXPECT_EQ(names, expected);
}

TEST(MemoryFields, DescribeWhatTheTablesDoNotKnow) {
    ConfigBuffer image(layout::kBufferSize, 0xFF);
    const auto find = [](const std::string& name) {
        for (const MemoryField& field : MemoryFields()) {
            if (field.name == name) return field;
        }
        return MemoryField{};
    };
    EXPECT_EQ(DescribeField(find("commands[1].output"), image), "?0xFF");
    EXPECT_EQ(DescribeField(find("creditKeepAlive"), image), "false (0xFF)");
    EXPECT_EQ(DescribeField(find("phones[1].flags"), image),
              "CALL SMS IN1 IN2 SYS Ring Monitor bit4");
    EXPECT_EQ(DescribeField(find("reserved[938..943]"), image), "0xFF 0xFF 0xFF 0xFF 0xFF 0xFF");
}

}  // namespace
}  // namespace kdx
