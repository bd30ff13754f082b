// Build tool: writes the program's built-in English texts as a language
// catalogue (pna_lang.ini), in the form the program reads: section [Strings],
// id=text, backslash escapes, double quotes around a text whose blanks at
// either end must stay. Installed, it is the catalogue the program finds, and
// the file a translator starts from.
//   phonara-write-catalogue OUT.ini

#include "shell/StringTable.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

namespace {

std::string escaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    // The reader drops blanks at both ends and one pair of enclosing quotes.
    const bool blankAtEnd = !out.empty() && (out.front() == ' ' || out.back() == ' ');
    const bool quoted = out.size() >= 2 && out.front() == '"' && out.back() == '"';
    return blankAtEnd || quoted ? '"' + out + '"' : out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: phonara-write-catalogue OUT.ini\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << "; Phonara's texts by number, UTF-8. To translate them, copy this file to\n"
           "; ~/.local/share/phonara/pna_lang.ini and change the texts: an id left out\n"
           "; or left empty keeps the English text. \\n \\r \\t \\\\ are escapes; a text in\n"
           "; double quotes keeps the blanks at its ends.\n"
           "[Strings]\n";
    for (const BuiltInString& string : builtInStrings())
        out << string.id << '=' << escaped(string.text) << '\n';
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
