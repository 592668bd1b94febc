// The size lookup of the console and the shell's own log lines, byte for byte.
#include <gtest/gtest.h>

#include "app/log_lines.h"
#include "app/size_table.h"
#include "platform/text_encoding.h"

namespace calvorn {
namespace {

TEST(SizeTable, NamesWithOrWithoutLeadingSpacesAndInEitherCase)
{
    EXPECT_EQ(sizeExponentFromName("16K"), 14);
    EXPECT_EQ(sizeExponentFromName("  16K"), 14);
    EXPECT_EQ(sizeExponentFromName(" 512K"), 19);
    EXPECT_EQ(sizeExponentFromName("1M"), 20);
    EXPECT_EQ(sizeExponentFromName("32m"), 25);
    for (const char* bad : {"", "  ", "3M", "16", "K", "1MM", "016K", "1 M", "16K ", "64KB", "2G"})
        EXPECT_EQ(sizeExponentFromName(bad), std::nullopt) << '"' << bad << '"';
    for (std::size_t i = 0; i < sizeCount; ++i) {
        EXPECT_EQ(sizeLabels[i].size(), 5u);
        EXPECT_EQ(sizeExponentFromName(sizeLabels[i]), sizeExponentOfIndex(i));
    }
}

TEST(ShellLogLines, StartLineCountsOneRepetitionFewerThanTheExponent)
{
    EXPECT_EQ(startLogLine(14), "  16K 연산을 시작합니다. (13회 반복)    \n");
    EXPECT_EQ(startLogLine(25), "  32M 연산을 시작합니다. (24회 반복)    \n");
}

TEST(ShellLogLines, OutputTimeLineUsesUnsignedMilliseconds)
{
    EXPECT_EQ(outputTimeLogLine(0), "  0시간 0분 0초 PI 데이터 출력 → pi_data.txt");
    EXPECT_EQ(outputTimeLogLine(3723999), "  1시간 2분 3초 PI 데이터 출력 → pi_data.txt");
    // 2^32 - 1 ms read as a signed count would print negative fields.
    EXPECT_EQ(outputTimeLogLine(4294967295u), "1193시간 2분47초 PI 데이터 출력 → pi_data.txt");
    // The window shows it through its cp949 form: every character must exist there.
    EXPECT_NE(utf8ToCp949(outputTimeLogLine(0)).find("\xA1\xE6 pi_data.txt"), std::string::npos);
}

TEST(ShellLogLines, ComputationTimeToTheMillisecond)
{
    EXPECT_EQ(computationTimeLine(583), "연산 시간: 0.583초");
    EXPECT_EQ(computationTimeLine(583, Language::english), "computation time: 0.583 s");
    EXPECT_EQ(computationTimeLine(0, Language::english), "computation time: 0.000 s");
    EXPECT_EQ(computationTimeLine(61005, Language::english), "computation time: 61.005 s");
    EXPECT_EQ(computationTimeLine(4294967295u), "연산 시간: 4294967.295초");
    // Shown in the window's log like the other lines: through cp949.
    EXPECT_EQ(cp949ToUtf8(utf8ToCp949(computationTimeLine(7))), computationTimeLine(7));
}

} // namespace
} // namespace calvorn
