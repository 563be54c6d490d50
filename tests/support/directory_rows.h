#pragma once

#include <cctype>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QList>

#include <gtest/gtest.h>

#include "support/sandbox.h"

namespace testsupport {

// Makes each entry by its bytes: "name/" a directory, "name>target" a symbolic link to target (which need
// not exist), anything else a file.
inline void addEntries(const PortraitSandbox& sandbox, const std::vector<const char*>& entries)
{
    for (const QByteArray entry : entries) {
        const QList<QByteArray> sides = entry.split('>');
        const QByteArray at = QFile::encodeName(sandbox.path()) + '/' + sides[0];
        const bool made = sides.size() > 1      ? ::symlink(sides[1].constData(), at.constData()) == 0
                          : entry.endsWith('/') ? ::mkdir(at.constData(), 0700) == 0
                                                : ::close(::open(at.constData(), O_CREAT | O_WRONLY, 0600)) == 0;
        EXPECT_TRUE(made) << entry.constData();
    }
}

// A row's name in plain words as a test name: "one each, in order" runs as OneEachInOrder.
inline std::string testName(const char* words)
{
    std::string name;
    bool wordStart = true;
    for (const char* c = words; *c != '\0'; ++c) {
        const bool letter = std::isalnum(static_cast<unsigned char>(*c)) != 0;
        if (letter)
            name += wordStart ? char(std::toupper(static_cast<unsigned char>(*c))) : *c;
        wordStart = !letter;
    }
    return name;
}

// For INSTANTIATE_TEST_SUITE_P: rows named by their `name` field.
struct ByRowName {
    template <typename Row> std::string operator()(const ::testing::TestParamInfo<Row>& info) const
    {
        return testName(info.param.name);
    }
};

} // namespace testsupport
