// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/HelpBookWriter.h"

#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/TextCase.h"
#include "base/TkxException.h"
#include "database/HelpBook.h"
#include "database/SigDbase.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace tosk {

namespace {

using OpPtr = std::shared_ptr<OperatorDesc>;

// The name as the database writes it (the add-module panel shows it so);
// modules carry it upper-cased.
std::string writtenName(const OperatorDesc& op)
{
    std::string name = op.findEntryText(OperatorEntry::OPERATOR, OperatorField::OPERATOR_NAME);
    return name.empty() ? op.name() : name;
}

std::string className(const OperatorDesc& op)
{
    return op.findEntryText(OperatorEntry::OPERATOR, OperatorField::OPERATOR_CLASS);
}

// A page name as a link: everything but the plainest bytes percent-encoded.
std::string href(std::string_view path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (char c : path) {
        auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || c == '.' || c == '_' ||
            c == '-' || c == '~' || c == '/') {
            out += c;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

// The page's file name alone, for links between pages of one folder.
std::string fileName(const std::string& page)
{
    return page.substr(page.rfind('/') + 1);
}

// In a repeated group "~" and the byte after it (the last "~" only) stand
// for the repetition number.
std::string repeatedText(std::string_view text, bool repeated)
{
    size_t tilde = repeated ? text.rfind('~') : std::string_view::npos;
    if (tilde == std::string_view::npos || tilde + 1 >= text.size())
        return HelpBookWriter::html(text);
    return HelpBookWriter::html(text.substr(0, tilde)) + "<i>n</i>" + HelpBookWriter::html(text.substr(tilde + 2));
}

// A postfix expression as a reader would write it; none when it would not
// evaluate (an empty token, too few values).
std::optional<std::string> expressionText(std::string_view expression, bool repeated)
{
    struct Term {
        std::string text;
        bool compound = false;
    };
    std::vector<Term> stack;
    auto operand = [](const Term& t) { return t.compound ? "(" + t.text + ")" : t.text; };
    size_t start = 0;
    while (start < expression.size()) {
        size_t slash = expression.find('/', start);
        std::string_view token =
            expression.substr(start, slash == std::string_view::npos ? expression.npos : slash - start);
        start = slash == std::string_view::npos ? expression.size() : slash + 1;
        if (token.empty() || (slash != std::string_view::npos && start == expression.size()))
            return std::nullopt;
        if (token[0] == '@') {
            stack.push_back({"<i>" + repeatedText(token.substr(1), repeated) + "</i>"});
        } else if (token[0] == '#') {
            std::string_view op = token.substr(1);
            static const std::map<std::string_view, const char*> binary = {
                {"add", " + "}, {"sub", " \u2212 "}, {"mul", " \u00d7 "}, {"div", " \u00f7 "}};
            if (auto it = binary.find(op); it != binary.end() || op == "ifhi" || op == "if") {
                if (stack.size() < 2)
                    return std::nullopt;
                Term b = stack.back();
                stack.pop_back();
                Term a = stack.back();
                stack.pop_back();
                if (op == "ifhi")
                    stack.push_back({operand(a) + " at the high sample rate, else " + operand(b), true});
                else if (op == "if")
                    stack.push_back({operand(a) + " when " + operand(b) + " \u2260 0, else 0", true});
                else
                    stack.push_back({operand(a) + it->second + operand(b), true});
            } else if (op == "neg" || op == "trunc") {
                if (stack.empty())
                    return std::nullopt;
                Term b = stack.back();
                stack.pop_back();
                stack.push_back(op == "neg" ? Term{"\u2212" + operand(b), true} : Term{"trunc(" + b.text + ")"});
            } else if (op == "speed") {
                stack.push_back({"1 at the high sample rate, else 0", true});
            } else if (op == "channels") {
                stack.push_back({"the channel count"});
            }
            // Any other operator does nothing when evaluated.
        } else {
            stack.push_back({HelpBookWriter::html(token)});
        }
    }
    if (stack.empty())
        return std::nullopt;
    // With values left over the evaluation answers the bottom one.
    return stack.front().text;
}

// A MINIMUM, MAXIMUM or STORAGE_SIZE item: a constant, "@field" or
// "=expression".
std::string specifierText(std::string_view text, bool repeated)
{
    if (text.empty())
        return {};
    if (text[0] == '=') {
        if (auto shown = expressionText(text.substr(1), repeated))
            return *shown;
        return HelpBookWriter::html(text);
    }
    if (text[0] == '@')
        return "<i>" + repeatedText(text.substr(1), repeated) + "</i>";
    return HelpBookWriter::html(text);
}

// The repeat count of a MULTIPLE entry: "@field" without "/" names a field,
// anything else is an expression.
std::string countText(const OperatorEntry& multiple)
{
    const OperatorField* action = multiple.operatorFieldForType(OperatorField::ACTION_SPECIFIER);
    if (!action || action->text().empty())
        return {};
    const std::string& text = action->text();
    if (text[0] == '@' && text.find('/') == std::string::npos)
        return "<i>" + HelpBookWriter::html(text.substr(1)) + "</i>";
    if (auto shown = expressionText(text, false))
        return *shown;
    return HelpBookWriter::html(text);
}

const char* typeText(int32_t type)
{
    switch (type) {
    case OperatorEntry::CONTROL:
        return "control output";
    case OperatorEntry::SIGNAL:
        return "signal output";
    case OperatorEntry::USEROBJ:
        return "user object output";
    case OperatorEntry::ED_CONTROL:
        return "control input";
    case OperatorEntry::ED_SIGNAL:
        return "signal input";
    case OperatorEntry::ED_USEROBJ:
        return "user object input";
    case OperatorEntry::ED_INT:
        return "integer";
    case OperatorEntry::ED_LONG:
        return "long integer";
    case OperatorEntry::ED_FIXED:
        return "fixed-point number";
    case OperatorEntry::ED_FLOAT:
        return "number";
    case OperatorEntry::ED_STRING:
        return "text";
    case OperatorEntry::ED_VARASTRING:
        return "text of any length";
    case OperatorEntry::ED_NOTE:
        return "note";
    case OperatorEntry::ED_CODE:
        return "code";
    case OperatorEntry::ED_USER_OBJECT_TYPE:
        return "user object type";
    default:
        return nullptr; // not a field of a module
    }
}

std::string limitsText(const OperatorEntry& entry, bool repeated)
{
    std::string low = specifierText(entry.nameForType(OperatorField::MINIMUM), repeated);
    std::string high = specifierText(entry.nameForType(OperatorField::MAXIMUM), repeated);
    std::string size = specifierText(entry.nameForType(OperatorField::STORAGE_SIZE), repeated);
    std::string text;
    if (!low.empty() && !high.empty())
        text = low + " to " + high;
    else if (!low.empty())
        text = "at least " + low;
    else if (!high.empty())
        text = "at most " + high;
    if (!size.empty())
        text += (text.empty() ? "" : "; ") + std::string("up to ") + size + " characters";
    return text;
}

const char* const kStyle = "<style>\n"
                           "body { font-family: sans-serif; }\n"
                           "th { text-align: left; background-color: #e8e8e8; }\n"
                           "td, th { padding: 3px 6px; }\n"
                           "p.nav { font-size: small; }\n"
                           "</style>\n";

std::string pageStart(const std::string& title)
{
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + title + "</title>\n" + kStyle +
           "</head>\n<body>\n";
}

const char* const kPageEnd = "</body>\n</html>\n";

struct ClassGroup {
    std::string name; // as the first of its operators writes it
    std::optional<std::string> page;
    std::vector<OpPtr> operators;
};

std::string operatorHtml(const OperatorDesc& op, const std::string& classLink, const std::string& classTitle)
{
    const std::string title = HelpBookWriter::html(writtenName(op));
    std::string out = pageStart(title);
    out += "<p class=\"nav\"><a href=\"../" + std::string(HelpBook::indexPage) + "\">Operator Reference</a>";
    if (!classLink.empty())
        out += " &gt; <a href=\"" + classLink + "\">" + classTitle + "</a>";
    out += "</p>\n<h1>" + title + "</h1>\n";
    if (!classLink.empty())
        out += "<p>Class: <a href=\"" + classLink + "\">" + classTitle + "</a></p>\n";

    std::string rows;
    std::string repeat; // the repeat rule of the group being read
    bool inGroup = false;
    for (const auto& entry : op.operatorData()) {
        const int32_t type = entry->entryType();
        if (type == OperatorEntry::MULTIPLE) {
            std::string count = countText(*entry);
            repeat = count.empty() ? "once (no count given)" : "for <i>n</i> = 1 to " + count;
            inGroup = true;
            continue;
        }
        if (type == OperatorEntry::MULTIPLEEND) {
            repeat.clear();
            inGroup = false;
            continue;
        }
        const char* kind = typeText(type);
        if (!kind)
            continue;
        const std::string name = repeatedText(entry->name(), inGroup);
        rows += "<tr id=\"field-" + HelpBookWriter::html(entry->name()) + "\"><td><b>" + name + "</b></td><td>" + kind +
                "</td><td>" + repeatedText(entry->nameForType(OperatorField::DESCRIPTION), inGroup) + "</td><td>" +
                limitsText(*entry, inGroup) + "</td><td>" +
                HelpBookWriter::html(entry->nameForType(OperatorField::DEFAULT)) + "</td><td>" + repeat +
                "</td></tr>\n";
    }
    out += "<h2>Fields</h2>\n";
    if (rows.empty()) {
        out += "<p>This operator has no fields.</p>\n";
    } else {
        out += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n<tr><th>Name</th><th>Type</th>"
               "<th>Description</th><th>Limits</th><th>Default</th><th>Repeat</th></tr>\n";
        out += rows;
        out += "</table>\n";
    }
    out += kPageEnd;
    return out;
}

bool byNameIgnoringCase(const std::string& a, const std::string& b)
{
    std::string la = lowerCased(a), lb = lowerCased(b);
    return la != lb ? la < lb : a < b;
}

} // namespace

std::string HelpBookWriter::html(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (char c : latin1) {
        auto b = static_cast<unsigned char>(c);
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (b < 0x80) {
                out += c;
            } else {
                out += char(0xc0 | (b >> 6));
                out += char(0x80 | (b & 0x3f));
            }
        }
    }
    return out;
}

std::vector<HelpBookWriter::Page> HelpBookWriter::pages() const
{
    // Classes are grouped without regard to case, as the add-module panel
    // groups them.
    std::map<std::string, ClassGroup> classes;
    std::map<std::string, OpPtr> operators; // page path → the operator that has it
    for (const OpPtr& op : db_.sigDbaseData()) {
        std::optional<std::string> page = HelpBook::operatorPage(op->name());
        if (!page) {
            logf("HelpBookWriter: no page for the operator \"%s\": its name cannot name a file",
                 html(op->name()).c_str());
            continue;
        }
        const bool first = operators.emplace(*page, op).second;
        const std::string cls = className(*op);
        ClassGroup& group = classes[lowerCased(cls)];
        if (group.operators.empty()) {
            group.name = cls;
            group.page = HelpBook::classPage(cls);
        }
        // A second operator of a name is listed under its own class (once),
        // linking the one page of that name.
        const bool listed = std::any_of(group.operators.begin(), group.operators.end(),
                                        [&](const OpPtr& other) { return other->name() == op->name(); });
        if (first || !listed)
            group.operators.push_back(op);
    }

    std::vector<const ClassGroup*> ordered;
    for (const auto& [key, group] : classes)
        ordered.push_back(&group);
    std::sort(ordered.begin(), ordered.end(),
              [](const ClassGroup* a, const ClassGroup* b) { return byNameIgnoringCase(a->name, b->name); });
    auto classTitle = [](const ClassGroup& g) { return g.name.empty() ? std::string("(no class)") : html(g.name); };

    std::vector<Page> result;

    // The index: every class, then every operator.
    std::string index = pageStart("Operator Reference");
    index += "<h1>Operator Reference</h1>\n";
    if (!guideLink_.empty())
        index += "<p><a href=\"" + html(guideLink_) +
                 "\">Tosk User Guide</a>: getting started, the canvas, the inspector and the editors, "
                 "working with a unit, the browsers, the command line.</p>\n";
    std::string about;
    for (const auto& text : {db_.productString(), db_.versionString(), db_.dateString()})
        if (text && !text->empty())
            about += (about.empty() ? "" : ", ") + html(*text);
    if (!about.empty())
        index += "<p>Operator database: " + about + "</p>\n";
    index += "<h2>Classes</h2>\n<ul>\n";
    for (const ClassGroup* group : ordered)
        if (group->page)
            index += "<li><a href=\"" + href(*group->page) + "\">" + classTitle(*group) + "</a> (" +
                     std::to_string(group->operators.size()) + ")</li>\n";
    index += "</ul>\n<h2>All operators</h2>\n<p>\n";
    std::vector<std::pair<std::string, std::string>> names; // written name, page
    for (const auto& [page, op] : operators)
        names.emplace_back(writtenName(*op), page);
    std::sort(names.begin(), names.end(),
              [](const auto& a, const auto& b) { return byNameIgnoringCase(a.first, b.first); });
    for (size_t i = 0; i < names.size(); ++i)
        index += std::string(i ? " &middot;\n" : "") + "<a href=\"" + href(names[i].second) + "\">" +
                 html(names[i].first) + "</a>";
    index += "\n</p>\n";
    index += kPageEnd;
    result.push_back({HelpBook::indexPage, std::move(index)});

    for (const ClassGroup* group : ordered) {
        if (!group->page)
            continue;
        std::string title = classTitle(*group) + " operators";
        std::string out = pageStart(title);
        out += "<p class=\"nav\"><a href=\"../" + std::string(HelpBook::indexPage) +
               "\">Operator Reference</a></p>\n<h1>" + title + "</h1>\n<ul>\n";
        std::vector<OpPtr> ops = group->operators;
        std::stable_sort(ops.begin(), ops.end(), [](const OpPtr& a, const OpPtr& b) {
            return byNameIgnoringCase(writtenName(*a), writtenName(*b));
        });
        for (const OpPtr& op : ops)
            out += "<li><a href=\"" + href(fileName(*HelpBook::operatorPage(op->name()))) + "\">" +
                   html(writtenName(*op)) + "</a></li>\n";
        out += "</ul>\n";
        out += kPageEnd;
        result.push_back({*group->page, std::move(out)});
    }

    for (const auto& [page, op] : operators) {
        const ClassGroup& group = classes[lowerCased(className(*op))];
        std::string link = group.page ? href(fileName(*group.page)) : std::string();
        result.push_back({page, operatorHtml(*op, link, classTitle(group))});
    }
    return result;
}

void HelpBookWriter::write(const std::string& dir, const std::vector<Page>& book) const
{
    std::error_code ec;
    fs::create_directories(fs::path(dir) / "modules", ec);
    if (ec)
        throw TkxException("HelpBookWriter.write", format("%s: %s", dir.c_str(), ec.message().c_str()));
    for (const Page& page : book)
        writeFileAtomically((fs::path(dir) / page.path).string(), page.html, false);
    writeFileAtomically((fs::path(dir) / HelpBook::stampFile).string(), HelpBook::databaseId(db_) + "\n", false);
}

} // namespace tosk
