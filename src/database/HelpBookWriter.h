// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tosk {

class OperatorDesc;
class SigDbase;

// Writes the operator reference of a database (see HelpBook): one page per
// operator with its fields (type, description, limits, default, how they
// repeat), one page per class listing its operators, and the index linking
// the classes. Database texts are Latin-1; the pages are UTF-8 HTML.
class HelpBookWriter {
public:
    struct Page {
        std::string path; // inside the book, "modules/idh_LOWPASS.htm"
        std::string html;
    };

    explicit HelpBookWriter(const SigDbase& db) : db_(db) {}

    // Every page of the book: the index, then the class pages, then the
    // operator pages, each group in name order. Operators whose names
    // cannot make a page name are left out (and logged); of two operators
    // of one name the first has the page, as the first is the one modules
    // are built from.
    std::vector<Page> pages() const;

    // Writes the pages and then the book's stamp into dir (made when
    // missing), each file atomically. Files already there that the book does
    // not name are left alone. Throws TkxException when a file cannot be
    // written.
    void write(const std::string& dir) const { write(dir, pages()); }
    void write(const std::string& dir, const std::vector<Page>& pages) const;

    // A link from the index to the user guide (a path relative to the book,
    // or a file URL); none when empty.
    void setGuideLink(std::string href) { guideLink_ = std::move(href); }

    // Latin-1 bytes as UTF-8 with "&", "<", ">" and '"' escaped.
    static std::string html(std::string_view latin1);

private:
    const SigDbase& db_;
    std::string guideLink_;
};

} // namespace tosk
