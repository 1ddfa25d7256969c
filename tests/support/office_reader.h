#pragma once
// Reads a document back with a real word processor: LibreOffice, headless,
// in a private profile, converts it to flat OpenDocument XML, and the text
// runs of each paragraph come back with the colour, size and effects the
// reader found.

#include <optional>
#include <string>
#include <vector>

struct OfficeSpan {
    std::string text;      // UTF-8
    std::string colour;    // "#rrggbb", empty when the reader gave none
    double size_pt = 0;    // 0 when none
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike_out = false;
};

struct OfficeDocument {
    std::vector<std::vector<OfficeSpan>> paragraphs;
    // Every paragraph's text, each followed by '\n'.
    std::string plain_text() const;
    // The spans of all paragraphs in order, empty ones left out.
    std::vector<OfficeSpan> spans() const;
};

// Converts path (an .rtf, or a .txt read as UTF-8) in a profile under
// work_folder. Nothing, with the converter's output in *error, when it fails.
std::optional<OfficeDocument> read_with_libreoffice(const std::string& path, const std::string& work_folder,
                                                    std::string* error = nullptr);
bool libreoffice_available();
