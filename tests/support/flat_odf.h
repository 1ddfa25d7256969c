#pragma once
// Small office documents for tests and benchmarks, written as flat
// OpenDocument XML, which LibreOffice opens as it stands.

#include <string>

// A presentation of empty slides.
std::string flat_presentation(int slides);
// A text of numbered one-line paragraphs.
std::string flat_text(int paragraphs);
// A workbook of sheets "Sheet1".. with four rows of numbers in A and B.
std::string flat_workbook(int sheets);
