#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "log/Log.h"
#include "platform/Dialog.h"
#include "platform/System.h"
#include "support/TempDir.h"

namespace {

// The program pretends to be <temp>/bin/x.y.exe, so its default log is <temp>/bin/Log/x.log.
class LogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plat::test::SetModulePath(m_dir.WChild("bin/x.y.exe"));
        logtest::ResetLog();
    }
    void TearDown() override
    {
        logtest::ResetLog();
        plat::test::SetModulePath(L"");
    }

    std::string DefaultLog() const { return "bin/Log/x.log"; }
    bool Exists(const std::string& name) const
    {
        return plat::GetFileAttributes(m_dir.WChild(name)) != plat::kInvalidFileAttributes;
    }
    // The records of a log file, each without its time stamp.
    std::vector<std::string> Records(const std::string& name) const
    {
        const std::string content = m_dir.ReadFile(name);
        static const std::regex kStamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,\d{3} )");
        std::vector<std::string> records;
        std::istringstream lines(content);
        std::string line;
        for (bool first = true; std::getline(lines, line); first = false) {
            if (!first) {
                if (line == " ")
                    break; // the trailing blank after the last line break
                EXPECT_EQ(line.substr(0, 1), " ") << line;
                line.erase(0, 1);
            }
            std::smatch match;
            EXPECT_TRUE(std::regex_search(line, match, kStamp)) << line;
            records.push_back(match.suffix());
        }
        return records;
    }

    sktest::TempDir m_dir;
};

TEST_F(LogTest, RecordBeforeInitLogGoesToTheDefaultFileAndALaterInitLogChangesNothing)
{
    LOG_INFO("first %d", 1);
    InitLog(L"valtrix_down.log", m_dir.WChild("work/Log").c_str());
    LOG_INFO("second");
    EXPECT_FALSE(Exists("work/Log/valtrix_down.log"));
    EXPECT_EQ(Records(DefaultLog()), (std::vector<std::string>{"first 1", "second"}));
}

TEST_F(LogTest, InitLogWritesToTheGivenFolderAndFile)
{
    InitLog(L"valtrix_down.log", m_dir.WChild("work/Log").c_str());
    LOG_INFO("Language Code:%s", "1033");
    EXPECT_FALSE(Exists(DefaultLog()));
    EXPECT_EQ(Records("work/Log/valtrix_down.log"), (std::vector<std::string>{"Language Code:1033"}));
}

TEST_F(LogTest, TwoRecordsAreTwoLinesTheSecondStartingWithOneSpace)
{
    LOG_INFO("one");
    LOG_INFO("two");
    const std::string content = m_dir.ReadFile(DefaultLog());
    const std::regex kTwoLines(
        R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,\d{3} one\n \d{4}-\d\d-\d\d \d\d:\d\d:\d\d,\d{3} two\n $)");
    EXPECT_TRUE(std::regex_match(content, kTwoLines)) << content;
}

TEST_F(LogTest, EmptyFormattedTextConfiguresTheLogButWritesNothing)
{
    LogWrite("F", "f.cpp", 1, kLog_Info, "%s", "");
    LogWriteW(L"F", L"f.cpp", 1, kLog_Info, L"%ls", L"");
    EXPECT_TRUE(Exists(DefaultLog()));
    EXPECT_TRUE(m_dir.ReadFile(DefaultLog()).empty());
}

TEST_F(LogTest, EmptyFormatWritesNothingAndCreatesNoFile)
{
    LogWrite("F", "f.cpp", 1, kLog_Info, nullptr);
    LogWriteW(L"F", L"f.cpp", 1, kLog_Info, nullptr);
    LogWriteW(L"F", L"f.cpp", 1, kLog_Info, L"");
    EXPECT_FALSE(Exists("bin/Log"));
}

TEST_F(LogTest, EveryKnownLevelIsWrittenAndAnUnknownOneIsNot)
{
    for (int level : {int{kLog_Debug}, int{kLog_Info}, int{kLog_Warn}, int{kLog_Error}, 4, -1})
        LogWrite("F", "f.cpp", 1, level, "level %d", level);
    EXPECT_EQ(Records(DefaultLog()), (std::vector<std::string>{"level 0", "level 1", "level 2", "level 3"}));
}

TEST_F(LogTest, WideRecordsAreWrittenAsUtf8WhateverTheirLength)
{
    LOG_INFOW(L"Domain:%ls", L"\u65e5\u672c \u0627\u0644\u0639\u0631\u0628\u064a\u0629");
    const std::wstring longText(5000, L'\u00e9');
    LOG_INFOW(L"%ls|", longText.c_str());
    std::string longUtf8;
    for (int i = 0; i < 5000; ++i)
        longUtf8 += "\xc3\xa9";
    EXPECT_EQ(Records(DefaultLog()),
              (std::vector<std::string>{
                  "Domain:\xe6\x97\xa5\xe6\x9c\xac \xd8\xa7\xd9\x84\xd8\xb9\xd8\xb1\xd8\xa8\xd9\x8a\xd8\xa9",
                  longUtf8 + "|"}));
}

TEST_F(LogTest, InvalidStringArgumentGivesTheFatalCheckRecordAndTheCallerGoesOn)
{
#ifdef SK_SANITIZED
    GTEST_SKIP() << "the sanitizer takes the fault before the guard does";
#else
    const char* bad = reinterpret_cast<const char*>(uintptr_t{0x10});
    const wchar_t* badWide = reinterpret_cast<const wchar_t*>(uintptr_t{0x10});
    LogWrite("CHttpDownload::CheckParam", "/src/net/HttpDownload.cpp", 42, kLog_Info, "url %s", bad);
    LogWriteW(L"CHttpDownload::CheckParam", L"C:\\src\\net\\HttpDownload.cpp", 43, kLog_Info, L"url %ls",
              badWide);
    LOG_INFO("still %s", "running");
    EXPECT_EQ(Records(DefaultLog()),
              (std::vector<std::string>{
                  "[HttpDownload.cpp:42][CHttpDownload::CheckParam] ***Fatal Error Check,Please Fix it!***",
                  "[HttpDownload.cpp:43][CHttpDownload::CheckParam] ***Fatal Error Check,Please Fix it!***",
                  "still running"}));
#endif
}

TEST_F(LogTest, FaultGuardLeavesFaultsOutsideFormattingToTheirOwnHandler)
{
#ifdef SK_SANITIZED
    GTEST_SKIP() << "the sanitizer takes the fault before the guard does";
#else
    LOG_INFO("arm the guard once");
    EXPECT_DEATH(
        {
            // Through a volatile address, so the compiler cannot see (and warn about) the bad write.
            volatile uintptr_t address = 0x10;
            *reinterpret_cast<volatile int*>(address) = 1;
        },
        "");
#endif
}

TEST_F(LogTest, UnwritableLogFolderLosesTheRecordsSilently)
{
    m_dir.WriteFile("bin/Log", "a regular file where the folder should be");
    LOG_INFO("lost");
    LOG_INFOW(L"lost %ls", L"too");
    EXPECT_EQ(m_dir.ReadFile("bin/Log"), "a regular file where the folder should be");
}

TEST_F(LogTest, RecordsFromSeveralThreadsNeverInterleaveWithinALine)
{
    constexpr int kThreads = 4;
    constexpr int kRecords = 200;
    const std::string padding(300, 'p');
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &padding] {
            for (int i = 0; i < kRecords; ++i)
                LOG_INFO("[Thread][%d] record %d %s end", t, i, padding.c_str());
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    const std::vector<std::string> records = Records(DefaultLog());
    ASSERT_EQ(records.size(), size_t{kThreads * kRecords});
    const std::regex kRecord("\\[Thread\\]\\[\\d\\] record \\d+ " + padding + " end");
    for (const std::string& record : records)
        EXPECT_TRUE(std::regex_match(record, kRecord)) << record;
}

struct CNamedCaller
{
    static const char* Name() { return SK_FUNCTION; }
    const wchar_t* WideName() const { return SK_FUNCTIONW; }
};

const char* FreeFunctionInAnAnonymousNamespace()
{
    return SK_FUNCTION;
}

TEST(FunctionNameTest, MacrosNameTheClassAndMethod)
{
    EXPECT_STREQ(FreeFunctionInAnAnonymousNamespace(), "FreeFunctionInAnAnonymousNamespace");
    EXPECT_STREQ(CNamedCaller::Name(), "CNamedCaller::Name");
    EXPECT_STREQ(CNamedCaller().WideName(), L"CNamedCaller::WideName");
    auto inLambda = [] { return SK_FUNCTION; };
    EXPECT_STREQ(inLambda(), "FunctionNameTest_MacrosNameTheClassAndMethod_Test::TestBody");
}

class AssertTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plat::test::SetMessageBoxResponder([this](const plat::MessageBoxRequest& request) {
            m_requests.push_back(request);
            return m_answer;
        });
    }
    void TearDown() override { plat::test::SetMessageBoxResponder({}); }

    std::vector<plat::MessageBoxRequest> m_requests;
    int m_answer = plat::kID_No;
};

TEST_F(AssertTest, TrueConditionShowsNothing)
{
    AssertCheck(true, "x", "F", 1);
    AssertCheckFormat(true, "x", "F", 1, "%d", 1);
    EXPECT_TRUE(m_requests.empty());
}

TEST_F(AssertTest, FalseConditionAsksWithExpressionFunctionLineAndMessage)
{
    AssertCheck(false, "p != nullptr", "CFoo::Bar", 12);
    AssertCheckFormat(false, "n > 0", "CFoo::Baz", 34, "n=%d", -1);
    m_answer = plat::kID_Yes; // without a debugger attached, Yes simply continues
    SK_ASSERT(1 == 2);
    ASSERT_EQ(m_requests.size(), 3u);
    EXPECT_EQ(m_requests[0].text,
              L"Assert(p != nullptr);\n (in function CFoo::Bar,at line 12)\n is Debug?\n\n");
    EXPECT_EQ(m_requests[1].text, L"Assert(n > 0);\n (in function CFoo::Baz,at line 34)\n is Debug?\nn=-1\n");
    EXPECT_EQ(m_requests[2].text.substr(0, 14), L"Assert(1 == 2)");
    for (const plat::MessageBoxRequest& request : m_requests) {
        EXPECT_EQ(request.owner, nullptr);
        EXPECT_EQ(request.caption, L"AssertError!");
        EXPECT_EQ(request.flags, plat::kMB_YesNo);
    }
}

TEST(DebugTraceTest, WritesTheFormattedTextToStandardOutputAsIs)
{
    ::testing::internal::CaptureStdout();
    DebugTrace("a=%d ", 1);
    DebugTrace(nullptr);
    const char* empty = "";
    DebugTrace(empty, 0);
    DebugTrace("b\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "a=1 b\n");
}

} // namespace
