#include "platform/system_error.hpp"

#include <gtest/gtest.h>

#include <cerrno>

namespace torvane {
namespace {

TEST(SystemError, CarriesCodeAndTheLibrarysTextWithoutLineBreak) {
    const auto e = SystemError::FromErrno(EACCES);
    EXPECT_EQ(e.code, EACCES);
    EXPECT_EQ(e.text, L"Permission denied");
    EXPECT_EQ(SystemError::FromErrno(ENOENT).text, L"No such file or directory");
}

TEST(Result, HoldsValueOrError) {
    Result<int> good = 5;
    ASSERT_TRUE(good.ok());
    EXPECT_EQ(*good, 5);
    Result<int> bad = SystemError::FromErrno(EIO);
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error().code, EIO);
    EXPECT_TRUE(Status::Ok().ok());
    EXPECT_FALSE(Status(SystemError::FromErrno(EIO)).ok());
}

}  // namespace
}  // namespace torvane
