// phonara-bench-vcard: times the vCard import and export of a large file.
//
//   phonara-bench-vcard [--contacts N] [--runs R] [--keep FILE]
//
// Builds a file of N cards (default 10,000) in the forms phones write: a
// third 2.1 with QUOTED-PRINTABLE names and soft line breaks, a third 3.0
// with item groups and labels, a third 4.0 with tel: URIs, each with two or
// three numbers, an e-mail address and a photo-sized note that is passed by.
// Then R times (default 5): load the file from disk into a book, save the
// book as vCard 4.0 to disk. Prints each run's times and the counts, so that
// a book smaller than the file shows as "did not fit".
#include "files/ImportReport.h"
#include "files/VCardFile.h"
#include "phonebook/PhoneBook.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string digits(unsigned n, unsigned width)
{
    std::string text = std::to_string(n);
    return std::string(width > text.size() ? width - text.size() : 0, '0') + text;
}

std::string cardOf(unsigned i)
{
    const std::string n = digits(i, 6);
    const std::string note(600, 'x');
    switch (i % 3) {
    case 0:
        return "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BC"
               "ller " +
               n +
               ";J=C3=B6rg;;;\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:J=C3=B6rg "
               "M=C3=BC=\r\nller " +
               n + "\r\nTEL;CELL;PREF:+49 171 " + n + "\r\nTEL;HOME:030 " + n + "\r\nEMAIL;HOME:j" +
               n + "@example.com\r\nNOTE:" + note + "\r\nEND:VCARD\r\n";
    case 1:
        return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lef\xC3\xA8vre " + n +
               ";\xC3\x89lodie;;;\r\nFN:\xC3\x89lodie Lef\xC3\xA8vre " + n +
               "\r\nitem1.TEL;type=pref:+33 6 " + n +
               "\r\nitem1.X-ABLabel:_$!<Mobile>!$_\r\n"
               "TEL;type=WORK;type=VOICE:+33 4 " +
               n + "\r\nTEL;type=HOME:+33 1 " + n + "\r\nEMAIL;type=INTERNET:e" + n +
               "@example.fr\r\nNOTE:" + note.substr(0, 70) + "\r\n " + note.substr(70) +
               "\r\nEND:VCARD\r\n";
    default:
        return "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ana Ruiz " + n +
               "\r\nTEL;VALUE=uri;TYPE=\"cell,voice\";PREF=1:tel:+34-600-" + n +
               "\r\nTEL;VALUE=uri;TYPE=work:tel:+34-91-" + n + ";ext=12\r\nEMAIL:a" + n +
               "@example.es\r\nNOTE:" + note + "\r\nEND:VCARD\r\n";
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    unsigned contacts = 10000;
    int runs = 5;
    std::string keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--contacts") == 0)
            contacts = static_cast<unsigned>(std::stoul(argv[i + 1]));
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::stoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--keep") == 0)
            keep = argv[i + 1];
    }

    QTemporaryDir dir;
    const std::string in = keep.empty() ? (dir.path() + "/in.vcf").toStdString() : keep;
    const std::string out = (dir.path() + "/out.vcf").toStdString();
    {
        std::ofstream file(in, std::ios::binary);
        for (unsigned i = 0; i < contacts; ++i)
            file << cardOf(i);
        if (!file) {
            std::fprintf(stderr, "cannot write %s\n", in.c_str());
            return 1;
        }
    }
    std::printf("file: %u cards, %ld bytes\n", contacts,
                static_cast<long>(std::ifstream(in, std::ios::binary | std::ios::ate).tellg()));

    for (int run = 1; run <= runs; ++run) {
        auto book = std::make_unique<PhoneBook>();
        ImportReport report;
        auto start = Clock::now();
        const VCardLoad loaded = importVCardFile(in, *book, VCardNumbers::PreferredOnly, report);
        const double loadMs = millisecondsSince(start);
        if (loaded != VCardLoad::Loaded) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        start = Clock::now();
        if (!exportVCardFile(out, *book, VCardVersion::V40)) {
            std::fprintf(stderr, "save failed\n");
            return 1;
        }
        const double saveMs = millisecondsSince(start);
        std::printf("run %d: load %.1f ms (%u contacts, %u did not fit), save %.1f ms (%u "
                    "contacts)\n",
                    run, loadMs, report.imported(), report.skipped(SkipReason::BookFull), saveMs,
                    book->contactCount());
        if (report.skippedAny() && report.skipped(SkipReason::BookFull) == 0) {
            std::fprintf(stderr, "the load reported problems:\n%s\n", report.text(in).c_str());
            return 1;
        }
    }
    return 0;
}
