#include "server/message_table.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageTable, RefusesASecondFamilyForOneNumber)
{
    MessageTable table;
    EXPECT_EQ(table.add_relay(1, RelayRule { RelayTo::whole_room, Field2Out::keep }, "board"), 0);
    EXPECT_EQ(table.add_handler(1, [](ServerCore&, Client&, const IncomingMessage&) {}, "other"), -1);
    EXPECT_EQ(table.add_relay(1, RelayRule {}, "other"), -1);
    ASSERT_NE(table.find(1), nullptr);
    EXPECT_STREQ(table.find(1)->family, "board");
    EXPECT_TRUE(table.find(1)->relay.has_value());
}

TEST(MessageTable, RefusesNumbersOutsideTheHeadField)
{
    MessageTable table;
    auto handler = [](ServerCore&, Client&, const IncomingMessage&) {};
    EXPECT_EQ(table.add_handler(-1, handler, "f"), -1);
    EXPECT_EQ(table.add_handler(10000, handler, "f"), -1);
    EXPECT_EQ(table.add_handler(9999, handler, "f"), 0);
    EXPECT_EQ(table.find(10000), nullptr);
    EXPECT_EQ(table.find(-5), nullptr);
    EXPECT_FALSE(table.has(130));
}

TEST(MessageTable, AFollowerLeavesTheNumberToItsOwner)
{
    MessageTable table;
    auto handler = [](ServerCore&, Client&, const IncomingMessage&) {};
    EXPECT_EQ(table.add_follower(111, handler, "pictures"), 0);
    EXPECT_EQ(table.find(111), nullptr) << "a follower alone does not make the number handled";
    EXPECT_EQ(table.add_handler(111, handler, "control"), 0);
    ASSERT_NE(table.find(111), nullptr);
    EXPECT_STREQ(table.find(111)->family, "control");
    EXPECT_EQ(table.find(111)->followers.size(), 1u);
    EXPECT_EQ(table.add_follower(10000, handler, "pictures"), -1);
}

} // namespace
