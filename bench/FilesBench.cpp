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
//
// The heap of each load is counted as well (every allocation of the program):
// its peak above what was in use before, as a multiple of the file's size, in
// all and without the book that the load leaves behind (the reader's own share).
#include "files/CsvFile.h"
#include "files/FileIo.h"
#include "files/ImportReport.h"
#include "files/PhnFile.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"
#include "shell/UserInterface.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {

std::atomic<std::size_t> g_heapInUse{0};
std::atomic<std::size_t> g_heapPeak{0};

void* counted(void* block)
{
    if (block != nullptr) {
        const std::size_t inUse = g_heapInUse += malloc_usable_size(block);
        std::size_t peak = g_heapPeak.load();
        while (inUse > peak && !g_heapPeak.compare_exchange_weak(peak, inUse)) {
        }
    }
    return block;
}

void uncount(void* block)
{
    if (block != nullptr) {
        g_heapInUse -= malloc_usable_size(block);
    }
}

} // namespace

// The C library's allocator, counted: every allocation of the program (its
// own, the standard library's and Qt's) passes here.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);

void* malloc(std::size_t size)
{
    return counted(__libc_malloc(size));
}
void* calloc(std::size_t count, std::size_t size)
{
    return counted(__libc_calloc(count, size));
}
void* realloc(void* block, std::size_t size)
{
    const std::size_t old = block == nullptr ? 0 : malloc_usable_size(block);
    void* moved = __libc_realloc(block, size);
    if (moved == nullptr && size != 0) {
        return nullptr; // the old block stays as it was
    }
    g_heapInUse -= old;
    return counted(moved);
}
void free(void* block)
{
    uncount(block);
    __libc_free(block);
}
void* memalign(std::size_t alignment, std::size_t size)
{
    return counted(__libc_memalign(alignment, size));
}
void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    return counted(__libc_memalign(alignment, size));
}
int posix_memalign(void** block, std::size_t alignment, std::size_t size)
{
    *block = counted(__libc_memalign(alignment, size));
    return *block == nullptr ? ENOMEM : 0;
}
}

namespace {

// The heap a load takes: its peak above the start, and what it leaves behind
// (the book), in bytes.
struct HeapUse
{
    std::size_t peak = 0;
    std::size_t kept = 0;
};

HeapUse heapOf(const std::function<bool()>& step, bool& ok)
{
    const std::size_t before = g_heapInUse.load();
    g_heapPeak = before;
    ok = step() && ok;
    return HeapUse{g_heapPeak.load() - before, g_heapInUse.load() - before};
}

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
    std::vector<std::string> heapLines;
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
            if (run == 0) {
                // The loads again, in a fresh book, counting their heap.
                for (const std::size_t s : {std::size_t{1}, std::size_t{3}}) {
                    loaded = PhoneBook();
                    const HeapUse heap = heapOf(steps[s], ok);
                    const double file = double(queryFileSize(s == 1 ? phn : csv));
                    char line[200];
                    std::snprintf(line, sizeof line,
                                  "%10u %s: file %.1f MB, heap peak %.1f MB = %.1fx the file, "
                                  "%.1fx without the book read",
                                  size, kSteps[s], file / 1e6, double(heap.peak) / 1e6,
                                  double(heap.peak) / file, double(heap.peak - heap.kept) / file);
                    heapLines.emplace_back(line);
                }
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
    for (const std::string& line : heapLines) {
        std::printf("%s\n", line.c_str());
    }
    if (!ok) {
        std::fprintf(stderr, "a load did not give back the book that was saved\n");
        return 1;
    }
    return 0;
}
