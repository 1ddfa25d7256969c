#include "tests/support/office_reader.h"

#include "tests/support/child_process.h"
#include "tests/support/temp_home.h"

#include <filesystem>
#include <map>
#include <algorithm>
#include <unistd.h>

namespace {

constexpr const char* soffice_path = "/usr/bin/soffice";

std::string attribute(const std::string& tag, const std::string& name)
{
    std::string key = " " + name + "=\"";
    size_t at = tag.find(key);
    if (at == std::string::npos)
        return {};
    at += key.size();
    return tag.substr(at, tag.find('"', at) - at);
}

std::string unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out.push_back(s[i]);
            continue;
        }
        size_t end = s.find(';', i);
        std::string entity = end == std::string::npos ? "" : s.substr(i + 1, end - i - 1);
        const std::map<std::string, char> named { { "amp", '&' }, { "lt", '<' }, { "gt", '>' }, { "quot", '"' }, { "apos", '\'' } };
        if (auto it = named.find(entity); it != named.end()) {
            out.push_back(it->second);
            i = end;
        } else {
            out.push_back('&');
        }
    }
    return out;
}

struct TextProps {
    std::optional<std::string> colour;
    std::optional<double> size;
    std::optional<bool> bold, italic, underline, strike;
};

TextProps read_props(const std::string& tag)
{
    TextProps p;
    if (std::string v = attribute(tag, "fo:color"); !v.empty())
        p.colour = v;
    if (std::string v = attribute(tag, "fo:font-size"); !v.empty() && v.find("pt") != std::string::npos)
        p.size = std::stod(v);
    if (std::string v = attribute(tag, "fo:font-weight"); !v.empty())
        p.bold = v == "bold" || v == "700" || v == "800" || v == "900";
    if (std::string v = attribute(tag, "fo:font-style"); !v.empty())
        p.italic = v == "italic" || v == "oblique";
    if (std::string v = attribute(tag, "style:text-underline-style"); !v.empty())
        p.underline = v != "none";
    if (std::string v = attribute(tag, "style:text-line-through-style"); !v.empty())
        p.strike = v != "none";
    return p;
}

void apply(OfficeSpan& span, const TextProps& p)
{
    if (p.colour)
        span.colour = *p.colour;
    if (p.size)
        span.size_pt = *p.size;
    if (p.bold)
        span.bold = *p.bold;
    if (p.italic)
        span.italic = *p.italic;
    if (p.underline)
        span.underline = *p.underline;
    if (p.strike)
        span.strike_out = *p.strike;
}

// The element's inner text from pos (just past its start tag) to its end tag.
std::string inner_until(const std::string& xml, size_t pos, const std::string& end_tag, size_t* after)
{
    size_t end = xml.find(end_tag, pos);
    if (end == std::string::npos)
        end = xml.size();
    *after = std::min(xml.size(), end + end_tag.size());
    return xml.substr(pos, end - pos);
}

OfficeDocument parse_fodt(const std::string& xml)
{
    // Styles by name: <style:style style:name="T1" ...> <style:text-properties .../>.
    std::map<std::string, TextProps> styles;
    for (size_t pos = xml.find("<style:style "); pos != std::string::npos; pos = xml.find("<style:style ", pos)) {
        size_t tag_end = xml.find('>', pos);
        std::string tag = xml.substr(pos, tag_end - pos + 1);
        size_t after = tag_end + 1;
        std::string inner = tag[tag.size() - 2] == '/' ? "" : inner_until(xml, tag_end + 1, "</style:style>", &after);
        size_t props = inner.find("<style:text-properties");
        if (props != std::string::npos)
            styles[attribute(tag, "style:name")] = read_props(inner.substr(props, inner.find('>', props) - props + 1));
        pos = after;
    }

    OfficeDocument doc;
    size_t body = xml.find("<office:text");
    if (body == std::string::npos)
        return doc;
    for (size_t pos = body; (pos = xml.find("<text:", pos)) != std::string::npos;) {
        bool para = xml.compare(pos, 8, "<text:p ") == 0 || xml.compare(pos, 8, "<text:p>") == 0 ||
                    xml.compare(pos, 8, "<text:h ") == 0 || xml.compare(pos, 8, "<text:p/") == 0;
        size_t tag_end = xml.find('>', pos);
        if (!para) {
            pos = tag_end;
            continue;
        }
        std::string ptag = xml.substr(pos, tag_end - pos + 1);
        size_t after = tag_end + 1;
        std::string inner = ptag[ptag.size() - 2] == '/'
                                ? ""
                                : inner_until(xml, tag_end + 1, ptag[5 + 1] == 'h' ? "</text:h>" : "</text:p>", &after);
        pos = after;
        std::vector<OfficeSpan> spans;
        OfficeSpan base;
        if (auto s = styles.find(attribute(ptag, "text:style-name")); s != styles.end())
            apply(base, s->second);
        std::vector<OfficeSpan> stack { base };
        OfficeSpan current = base;
        auto flush = [&] {
            if (!current.text.empty())
                spans.push_back(current);
            current = stack.back();
            current.text.clear();
        };
        size_t i = 0;
        while (i < inner.size()) {
            if (inner[i] != '<') {
                size_t next = inner.find('<', i);
                current.text += unescape(inner.substr(i, next - i));
                i = next == std::string::npos ? inner.size() : next;
                continue;
            }
            size_t close = inner.find('>', i);
            std::string tag = inner.substr(i, close - i + 1);
            i = close + 1;
            if (tag.rfind("<text:span", 0) == 0) {
                flush();
                OfficeSpan s = stack.back();
                if (auto st = styles.find(attribute(tag, "text:style-name")); st != styles.end())
                    apply(s, st->second);
                s.text.clear();
                if (tag.size() >= 2 && tag[tag.size() - 2] == '/')
                    continue;
                stack.push_back(s);
                current = s;
            } else if (tag == "</text:span>") {
                flush();
                if (stack.size() > 1)
                    stack.pop_back();
                current = stack.back();
                current.text.clear();
            } else if (tag.rfind("<text:s", 0) == 0 && (tag.size() == 9 || tag[7] == ' ' || tag[7] == '/')) {
                std::string c = attribute(tag, "text:c");
                current.text.append(c.empty() ? 1 : static_cast<size_t>(std::stoi(c)), ' ');
            } else if (tag.rfind("<text:tab", 0) == 0) {
                current.text.push_back('\t');
            } else if (tag.rfind("<text:line-break", 0) == 0) {
                current.text.push_back('\n');
            }
        }
        flush();
        doc.paragraphs.push_back(spans);
    }
    return doc;
}

} // namespace

std::string OfficeDocument::plain_text() const
{
    std::string out;
    for (const auto& p : paragraphs) {
        for (const OfficeSpan& s : p)
            out += s.text;
        out.push_back('\n');
    }
    return out;
}

std::vector<OfficeSpan> OfficeDocument::spans() const
{
    std::vector<OfficeSpan> out;
    for (const auto& p : paragraphs)
        for (const OfficeSpan& s : p)
            if (!s.text.empty())
                out.push_back(s);
    return out;
}

bool libreoffice_available() { return ::access(soffice_path, X_OK) == 0; }

std::optional<OfficeDocument> read_with_libreoffice(const std::string& path, const std::string& work_folder,
                                                    std::string* error)
{
    namespace fs = std::filesystem;
    std::string out_dir = work_folder + "/office_out";
    fs::create_directories(out_dir);
    std::vector<std::string> argv { soffice_path, "--headless", "--norestore",
                                    "-env:UserInstallation=file://" + work_folder + "/office_profile" };
    if (fs::path(path).extension() == ".txt")
        argv.push_back("--infilter=Text (encoded):UTF8,LF,,");
    for (const char* a : { "--convert-to", "fodt", "--outdir" })
        argv.push_back(a);
    argv.push_back(out_dir);
    argv.push_back(path);
    ProgramRun run = run_program(argv, { "HOME=" + work_folder }, {}, 180000);
    std::string result = out_dir + "/" + fs::path(path).stem().string() + ".fodt";
    if (run.timed_out || !file_exists(result)) {
        if (error)
            *error = run.output;
        return std::nullopt;
    }
    std::string xml = read_file(result);
    fs::remove(result);
    return parse_fodt(xml);
}
