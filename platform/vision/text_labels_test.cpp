#include "platform/vision/text_labels.hpp"

#include <gtest/gtest.h>

namespace vell::platform::vision {
namespace {

// A line of `w` x `h` of the picture read with `confidence`.
RecognizedText line(double w, double h, float confidence, const char* text = "words") {
  return {text, confidence, {0.1, 0.1, w, h}};
}

TEST(TextLabels, WhatTheReadLinesMakeCertain) {
  // Nothing read, or a date stamp in a corner: no label.
  EXPECT_TRUE(textLabels({}).empty());
  EXPECT_TRUE(textLabels({line(0.1, 0.02, 0.9f)}).empty());
  // A sign of two large lines: text, at the lines' mean confidence.
  auto sign = textLabels({line(0.5, 0.1, 0.9f), line(0.4, 0.08, 0.7f)});
  ASSERT_EQ(sign.size(), 1u);
  EXPECT_EQ(sign[0].identifier, "text");
  EXPECT_FLOAT_EQ(sign[0].confidence, 0.8f);
  // Small lines that together cover enough: text; a page's many lines: a
  // document as well.
  std::vector<RecognizedText> page(kDocumentLines, line(0.5, 0.01, 0.8f));
  auto labels = textLabels(page);
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(labels[0].identifier, "text");
  EXPECT_EQ(labels[1].identifier, "document");
  page.pop_back();
  EXPECT_EQ(textLabels(page).size(), 1u);
  // One or two signs read on fur or an ear tag, however large, are no
  // writing; three letters or digits, in any script, are.
  EXPECT_TRUE(textLabels({line(0.5, 0.1, 0.9f, "8"), line(0.5, 0.1, 0.8f, "I W")}).empty());
  EXPECT_TRUE(textLabels({line(0.5, 0.1, 0.9f, "(-)."), line(0.5, 0.1, 0.8f, "a!")}).empty());
  EXPECT_EQ(textLabels({line(0.5, 0.1, 0.9f, "8"), line(0.1, 0.02, 0.8f, "EXIT")}).size(), 1u);
  EXPECT_EQ(textLabels({line(0.5, 0.1, 0.9f, "\xE6\x9D\xB1\xE4\xBA\xAC\xE9\xA7\x85")}).size(), 1u);
}

}  // namespace
}  // namespace vell::platform::vision
