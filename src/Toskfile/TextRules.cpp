// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/TextRules.h"

#include "Toskfile/ModuleField.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/SigfileTokenizer.h"
#include "base/Localization.h"

namespace tosk {

std::string TextRules::stored(const ModuleField* field, const std::string& value)
{
    ModuleField probe(std::string(), field ? field->entry() : nullptr);
    probe.setText(value);
    return std::string(probe.text());
}

bool TextRules::readsBack(const ModuleField* field, const std::string& value)
{
    if (value.find_first_of("\"\r\n") != std::string::npos)
        return false;
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'' && value.find(' ') != std::string::npos)
        return false;
    // Write it as the file does, then read it as the file is read.
    const std::string text = stored(field, value);
    const std::string written = text.empty() ? std::string("\"\"") : isNumeric(text) ? text : quoteIfNeeded(text);
    SigfileTokenizer tokenizer = SigfileTokenizer::tokenizerWithString(written);
    std::optional<std::string> token = tokenizer.nextToken();
    // Unquoted, a leading semicolon would start a comment.
    const bool comment = token && !token->empty() && (*token)[0] == ';' && !tokenizer.lastTokenQuoted();
    if (!token || comment || tokenizer.nextToken())
        return false;
    return stored(field, *token) == text;
}

std::string TextRules::refusal(const std::string& value)
{
    return fillIn(localized("UnreadableValue", "'%s' cannot be kept in a patch: the file would not read it back the "
                                               "same. A value may hold no double quote or line break, and may not "
                                               "stand between apostrophes with a blank inside."),
                  {value});
}

} // namespace tosk
