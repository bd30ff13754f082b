// phonara-bench-files: load and save times of .phn and CSV books as they grow.
//
//   phonara-bench-files [--runs R] [--sizes 1000,10000,100000]
//
// For each size N: a book of N contacts (names with blanks, commas, quotes
// and umlauts, so that the CSV writer quotes and the .phn writer encodes),
// saved to disk as .phn and as CSV and loaded back, R times (default 3); the
// best processor time of each step is printed, then the ratio of each step's time
// between one size and the next. A step that grows linearly shows about 10
// per tenfold growth; a quadratic one about 100. Any load that does not give
// back N contacts is an error (exit 1).
#include "files/CsvFile.h"
#include "files/ImportReport.h"
#include "files/PhnFile.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"
#include "shell/UserInterface.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {

// Takes the mapping the header suggests and says OK to everything else.
class BenchUserInterface : public UserInterface
{
public:
    Answer message(const Message& message) override
    {
        std::fprintf(stderr, "message %d: %s\n", message.id, message.text.c_str());
        return Answer::Ok;
    }
    bool mapCsvFields(CsvMappingRequest&) override { return true; }
};

PhoneBook makeBook(unsigned contacts)
{
    PhoneBook book;
    book.contacts.reserve(contacts);
    for (unsigned i = 0; i < contacts; ++i) {
        Contact contact;
        const std::string n = std::to_string(i);
        std::string name;
        switch (i % 4) {
        case 0:
            name = "Anna Berg " + n;
            break;
        case 1:
            name = "M\xFCller, J\xF6rg " + n; // Windows-1252, a comma inside
            break;
        case 2:
            name = "\"Big\" Al " + n;
            break;
        default:
            name = "=Office " + n; // a formula for a spreadsheet
            break;
        }
        contact.setName(name);
        contact.setNumber((i % 2 ? "+49171" : "0301") +
                          std::string(7 - std::min<std::size_t>(7, n.size()), '0') + n);
        contact.tonNpi = i % 2 ? 0x91 : 0xA8;
        contact.sequence = book.takeSequence();
        book.append(contact);
    }
    return book;
}

double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The processor time of a step: on a machine busy with other work it grows
// with the step's own work, where the time on the clock also counts the
// others' turns.
double millisecondsOf(const std::function<bool()>& step, bool& ok)
{
    const double start = cpuMilliseconds();
    ok = step() && ok;
    return cpuMilliseconds() - start;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 3;
    std::vector<unsigned> sizes = {1000, 10000, 100000};
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) {
            runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--sizes") == 0) {
            sizes.clear();
            const char* p = argv[i + 1];
            while (*p != '\0') {
                char* end = nullptr;
                const unsigned long size = std::strtoul(p, &end, 10);
                if (end == p) {
                    break;
                }
                sizes.push_back(static_cast<unsigned>(size));
                p = *end == ',' ? end + 1 : end;
            }
        }
    }

    QTemporaryDir dir;
    const std::string phn = (dir.path() + "/book.phn").toStdString();
    const std::string csv = (dir.path() + "/book.csv").toStdString();
    constexpr std::array<const char*, 4> kSteps = {"phn save", "phn load", "csv save", "csv load"};
    std::vector<std::array<double, 4>> best;
    bool ok = true;
    BenchUserInterface ui;
    SideBooks sideBooks;

    std::printf("%10s", "contacts");
    for (const char* step : kSteps) {
        std::printf(" %12s", (std::string(step) + " ms").c_str());
    }
    std::printf("   (processor time)\n");
    for (const unsigned size : sizes) {
        const PhoneBook book = makeBook(size);
        std::array<double, 4> times{1e300, 1e300, 1e300, 1e300};
        for (int run = 0; run < runs; ++run) {
            PhoneBook loaded;
            const std::array<std::function<bool()>, 4> steps = {
                [&] {
                    return savePhnFile(phn, &book, sideBooks.fdn.data(), sideBooks.fdnCount,
                                       sideBooks.lnd.data(), sideBooks.lndCount)
                        .ok();
                },
                [&] {
                    return loadPhnOrAdrFile(phn, loaded, sideBooks, ui) &&
                           loaded.contactCount() == size;
                },
                [&] { return exportCsvFile(csv, book, ui, ','); },
                [&] {
                    ImportReport report;
                    return importCsvFile(csv, loaded, ui, &report) == 1 &&
                           loaded.contactCount() == size && !report.skippedAny();
                },
            };
            for (std::size_t s = 0; s < steps.size(); ++s) {
                times[s] = std::min(times[s], millisecondsOf(steps[s], ok));
            }
        }
        best.push_back(times);
        std::printf("%10u", size);
        for (const double ms : times) {
            std::printf(" %12.1f", ms);
        }
        std::printf("\n");
    }
    for (std::size_t i = 1; i < best.size(); ++i) {
        const double growth = double(sizes[i]) / sizes[i - 1];
        std::printf("ratio %u -> %u (x%.0f):", sizes[i - 1], sizes[i], growth);
        for (std::size_t s = 0; s < kSteps.size(); ++s) {
            // Per tenfold growth, so that linear reads about 10 whatever the sizes.
            const double ratio = best[i][s] / std::max(best[i - 1][s], 1e-3);
            std::printf(" %s %.1f", kSteps[s], std::pow(ratio, 1.0 / std::log10(growth)));
        }
        std::printf("\n");
    }
    if (!ok) {
        std::fprintf(stderr, "a load did not give back the book that was saved\n");
        return 1;
    }
    return 0;
}
