// The values behind the lists, as their CSV holds them.
#include "ui/list_values.h"

#include <gtest/gtest.h>

namespace {

// A value that would split a CSV row or lose its blanks is quoted; a short row gets empty fields.
TEST(ListValues, CsvQuotesWhatWouldSplitAFieldOrLoseItsBlanks) {
  ui::ValueTable t{{"A", "B", "C"}, {{"1,2", " x", "say \"hi\""}, {"7"}}};
  EXPECT_EQ(ui::tableAsCsv(t), "A,B,C\r\n\"1,2\",\" x\",\"say \"\"hi\"\"\"\r\n7,,\r\n");
}

}  // namespace
