#include "sets/small_name_letter.h"
#include "sets/small_partners.h"

#include <cerrno>
#include <vector>

#include <QStringList>

#include <gtest/gtest.h>

#include "platform/os/posix_file_system.h"
#include "support/directory_rows.h"
#include "support/sandbox.h"
#include "support/system_call_faults.h"

namespace {

using testsupport::PortraitSandbox;

// Every listed large picture is paired in one call, as the gallery asks for a page. Its small partner is found
// in any letter case and under the spelling stored, never a directory, a name that is not UTF-8 or one that
// belongs to another listed set.
struct PairingRow {
    const char* name;
    std::vector<const char*> entries;
    QString partners; // "large>small", sorted
    // The read of the directory for the pairing fails: only the sets that need no read are paired.
    bool unreadable = false;
};

const PairingRow pairingRows[] = {
    {"links, hidden names and directories pair with nothing",
     {"heroL.bmp", "shoutL.BMP", "\xc3\x84rger l.Bmp", "L.bmp", "linkL.bmp>heroL.bmp", "goneL.bmp>nowhere", "fooS.bmp",
      "xL.bmp.bak", ".hiddenL.bmp", "DirL.bmp/", "dirlinkL.bmp>.", ".heroS.bmp", "shoutS.BMP/"},
     ""},
    {"a name that is not UTF-8 is skipped", {"bad\xe4L.bmp", "bad\xef\xbf\xbdL.bmp", "bad\xe4/", "bad\xe4S.bmp"}, ""},
    {"none but a directory", {"MM05L.bmp", "MM05S.BMP/"}, ""},
    {"as this program writes them",
     {"FP01L.bmp", "fP01S.bmp", "MM05L.bmp", "mm05s.BMP"},
     "FP01L.bmp>fP01S.bmp MM05L.bmp>mm05s.BMP"},
    {"capital I in any locale", {"irisL.bmp", "IrisS.bmp"}, "irisL.bmp>IrisS.bmp"},
    {"the exact partner wins", {"ABL.bmp", "aBS.bmp", "ABS.bmp"}, "ABL.bmp>ABS.bmp"},
    {"one each", {"ABL.bmp", "abL.bmp", "abS.bmp", "ABs.bmp"}, "ABL.bmp>ABs.bmp abL.bmp>abS.bmp"},
    {"the rest in list order", {"ABL.bmp", "abL.bmp", "ABS.bmp", "aBs.bmp"}, "ABL.bmp>ABS.bmp abL.bmp>aBs.bmp"},
    {"the letter that once split a set", {"\xc4\xb0xL.bmp", "\xc4\xb0xS.bmp"}, "\u0130xL.bmp>\u0130xS.bmp"},
    {"half a directory pairs only the sets alone in their letter case",
     {"ABL.bmp", "abL.bmp", "ABS.bmp", "abS.bmp", "heroL.bmp", "heroS.bmp"},
     "heroL.bmp>heroS.bmp",
     true},
};

// Messages of the sets' log, for the row whose read fails.
QStringList* heard = nullptr;
void hear(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (heard != nullptr && QByteArray(context.category) == "ostrel.sets")
        heard->append(message);
}

class SmallPartners : public testing::TestWithParam<PairingRow> {};

// Each row twice: read from the disk, and answered from the small names indexed as the list was read.
TEST_P(SmallPartners, PairEachLargePictureWithItsOwnSmallOne)
{
    const PairingRow& row = GetParam();
    for (const int settle : {1000, 0}) {
        SCOPED_TRACE(settle);
        PortraitSandbox sandbox;
        testsupport::addEntries(sandbox, row.entries);
        testsupport::SystemCallFaults faults;
        // The first read lists the files; every later one fails.
        if (row.unreadable)
            faults.actBefore(platform::SystemCall::OpenDirectory, 0,
                             [&faults] { faults.lack(platform::SystemCall::OpenDirectory, EIO); });
        const platform::PosixFileSystem fs(&faults, std::chrono::milliseconds(settle));
        const QStringList listed = fs.listFiles(sandbox.path(), "*L.bmp").names;
        QStringList messages;
        heard = &messages;
        const QtMessageHandler before = qInstallMessageHandler(hear);
        const QHash<QString, QString> found = sets::SmallPartners(fs).find(sandbox.path(), listed, listed);
        qInstallMessageHandler(before);
        heard = nullptr;
        QStringList partners;
        for (auto it = found.begin(); it != found.end(); ++it)
            partners << it.key() + '>' + it.value();
        partners.sort();
        EXPECT_EQ(partners.join(' '), row.partners);
        EXPECT_EQ(messages.size(), row.unreadable ? 1 : 0) << messages.join('\n').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Sets, SmallPartners, testing::ValuesIn(pairingRows), testsupport::ByRowName());

// Qt's tables lower every script, except where the lower case would not compare equal case-blind.
struct LetterRow {
    const char* name;
    char32_t letter, lower;
};
const LetterRow letterRows[] = {
    {"MultiplicationSignHasNone", 0x00D7, 0x00D7},
    {"Thorn", 0x00DE, 0x00FE},
    {"DottedCapitalIStays", 0x0130, 0x0130},
    {"CapitalYWithDiaeresisLeavesLatin1", 0x0178, 0x00FF},
    {"CapitalDzWithCaron", 0x01C4, 0x01C6},
    {"UnassignedGreekStays", 0x03A2, 0x03A2},
    {"Cyrillic", 0x042F, 0x044F},
    {"Armenian", 0x0531, 0x0561},
    {"LowerCaseStays", U'a', U'a'},
};
using SmallNameLetter = testing::TestWithParam<LetterRow>;
TEST_P(SmallNameLetter, LowersTheFirstLetter)
{
    EXPECT_EQ(sets::smallNameLetter(GetParam().letter), GetParam().lower);
}
INSTANTIATE_TEST_SUITE_P(Sets, SmallNameLetter, testing::ValuesIn(letterRows), testsupport::ByRowName());

} // namespace
