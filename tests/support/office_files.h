#pragma once
// Office documents in the formats the shares take (.ppt, .doc, .xls),
// written by a real LibreOffice: a headless one of its own, on a profile
// of its own beside the document, started and ended by process id.

#include "sharing/office_driver.h"

#include <string>

// Writes a presentation of slides empty slides, a text of paragraphs
// one-line paragraphs, or a workbook of sheets sheets each with a chart of
// its numbers, in the binary format of the file's kind. Throws
// std::runtime_error when the office cannot write it.
void write_office_file(OfficeKind kind, const std::string& path, int count);
