#include "tests/support/flat_odf.h"

namespace {

std::string flat_document(const char* mime, const std::string& body)
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
                       "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                       "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                       "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                       "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
                       "office:version=\"1.3\" office:mimetype=\"") +
           mime + "\"><office:body>" + body + "</office:body></office:document>\n";
}

} // namespace

std::string flat_presentation(int slides)
{
    std::string pages;
    for (int i = 1; i <= slides; ++i)
        pages += "<draw:page draw:name=\"page" + std::to_string(i) + "\"/>";
    return flat_document("application/vnd.oasis.opendocument.presentation",
                         "<office:presentation>" + pages + "</office:presentation>");
}

std::string flat_text(int paragraphs)
{
    std::string body;
    for (int i = 1; i <= paragraphs; ++i)
        body += "<text:p>Paragraph " + std::to_string(i) + " of the shared text.</text:p>";
    return flat_document("application/vnd.oasis.opendocument.text", "<office:text>" + body + "</office:text>");
}

std::string flat_workbook(int sheets)
{
    auto cell = [](int value) {
        return "<table:table-cell office:value-type=\"float\" office:value=\"" + std::to_string(value) + "\"/>";
    };
    std::string body;
    for (int s = 1; s <= sheets; ++s) {
        body += "<table:table table:name=\"Sheet" + std::to_string(s) + "\">";
        for (int r = 1; r <= 4; ++r)
            body += "<table:table-row>" + cell(r) + cell(r * s) + "</table:table-row>";
        body += "</table:table>";
    }
    return flat_document("application/vnd.oasis.opendocument.spreadsheet",
                         "<office:spreadsheet>" + body + "</office:spreadsheet>");
}
