// Every maker of an encrypted download file from a HEX file: four records far apart would make an image of hundreds
// of megabytes that fits no chip. Each refuses the file with its message and writes nothing.
#include <filesystem>
#include <functional>

#include "tests/core/HexFixtures.h"
#include "tests/tools/ToolDialogFixture.h"
#include "tools/EnFileDlg.h"
#include "tools/MakeEnFileDlg.h"
#include "tools/MakeSecurityFirmwareDlg.h"

namespace {

using fw::IDOK;
using hexfix::Counting;
using hexfix::Data;
using hexfix::End;
using hexfix::Linear;

constexpr char16_t kSpanTooLarge[] = u"HEX文件的数据地址跨度超过任何芯片的FLASH容量（4096KB）！";

// Just under the 256 MiB a file tool ever allocated, so that only the span limit stands in the way.
std::string FarApartHex() {
    std::string text;
    for (uint16_t upper : {0x0000, 0x0400, 0x0800, 0x0FFF})
        text += Linear(upper) + Data(0xFF00, Counting(16));
    return text + End();
}

struct HexSpanRefusalTest : ToolDialogTest {
    void ExpectBoxes(std::initializer_list<const char16_t*> messages) {
        for (const char16_t* message : messages)
            host.ExpectBox(message, IDOK);
    }
};

TEST_F(HexSpanRefusalTest, EveryToolRefusesAHexSpreadWiderThanAnyFlash) {
    dir.Write("far.hex", FarApartHex());
    const fw::Text far = dir.Wide("far.hex");
    struct Road {
        const char* name;
        std::function<void()> run;  // chooses far.hex and presses the tool's button, expecting its boxes
    };
    const Road roads[] = {
        {"encrypted file page",
         [&] {
             CEnFileDlg page;
             page.m_initialKeyText = u"2b7e151628aed2a6abf7158809cf4f3c";
             page.m_choosePageSize = [](fw::Window*) { return std::optional<uint32_t>(0x800); };
             ASSERT_TRUE(page.Create());
             host.ExpectOpenFile(far);
             EXPECT_TRUE(page.Click(IDC_ENCPAGE_BROWSE));
             ExpectBoxes({kSpanTooLarge});
             EXPECT_TRUE(page.Click(IDC_ENCPAGE_MAKE));
         }},
        {"encrypted download file maker",
         [&] {
             const std::vector<fw::Text> keyTable(32, fw::Text(32, u'0'));  // the maker keeps a reference
             CMakeEnFileDlg maker(nullptr, 0, keyTable);
             ASSERT_TRUE(maker.Create());
             host.ExpectOpenFile(far);
             EXPECT_TRUE(maker.Click(IDC_MAKEENC_BROWSE));
             ExpectBoxes({kSpanTooLarge});
             EXPECT_TRUE(maker.Click(IDC_MAKEENC_MAKE));
         }},
        // Places its program by the start address alone, so it takes one run of data and never a span.
        {"security firmware maker",
         [&] {
             CMakeSecurityFirmwareDlg maker(nullptr, SecurityFirmwareSettings{0, dir.Wide(), {}, 0x151DFFFF});
             ASSERT_TRUE(maker.Create());
             host.ExpectOpenFile(far);
             EXPECT_TRUE(maker.Click(IDC_SECFW_PROGRAM_BROWSE));
             ExpectBoxes({u"加载程序文件失败！", u"生成安全固件失败！"});
             EXPECT_TRUE(maker.Click(IDC_SECFW_BUILD));
         }},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        road.run();
        EXPECT_EQ(Files(), std::vector<std::string>{"far.hex"});
        // Each road answers for its own outputs only.
        for (const std::string& name : Files()) {
            if (name != "far.hex") std::filesystem::remove(dir.Path() / name);
        }
    }
}

}  // namespace
