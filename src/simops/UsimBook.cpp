#include "simops/UsimBook.h"

#include "card/commands/FileIds.h"
#include "card/uicc/UsimFiles.h"
#include "phonebook/RecordCodec.h"
#include "shell/Log.h"

#include <algorithm>

namespace usim {
namespace {

constexpr const char* kTag = "usim_phone_book";

CardResult malformed(const char* text)
{
    CardResult result;
    result.outcome = CardOutcome::Unknown;
    result.text = text;
    return result;
}

FileImage imageOf(const PbrFile& ref)
{
    FileImage file;
    file.ref = ref;
    return file;
}

std::string numberWithExtension(std::string number, uint8_t ext, const BookImage& image)
{
    if (ext == 0xFF || !image.ext1 || ext == 0 || ext > image.ext1->recordCount)
        return number;
    const std::vector<uint8_t>& record = image.ext1->record(ext);
    if (!record.empty())
        number += parseExtensionDigits(record);
    return number;
}

// Without its IAP file a set's type 2 files cannot be reached: they count as missing.
void dropUnlinked(SetImage& set, std::vector<PbrFile>& missing)
{
    for (auto* files : {&set.anr, &set.email}) {
        for (const FileImage& file : *files)
            if (file.isType2())
                missing.push_back(file.ref);
        std::erase_if(*files, [](const FileImage& file) { return file.isType2(); });
    }
    if (set.sne && set.sne->isType2()) {
        missing.push_back(set.sne->ref);
        set.sne.reset();
    }
}

} // namespace

int BookImage::contactCount() const
{
    int count = 0;
    for (const SetImage& set : sets)
        count += set.adn.recordCount;
    return count;
}

bool CardBook::fail(CardResult result)
{
    m_failure = std::move(result);
    m_current = 0;
    return false;
}

bool CardBook::selectFile(uint16_t fileId)
{
    CardCommands& commands = m_session.commands();
    if (m_current != 0) {
        // A file of DF PHONEBOOK is selected: its siblings are reached directly.
        ++m_commands;
        CardResult selected = commands.select(fileId);
        if (selected.ok()) {
            m_current = fileId;
            return true;
        }
    }
    const uint16_t dir = m_session.phoneBookPlace == PhoneBookPlace::UsimLocal
                             ? FileId::kDirGsm // ADF USIM on a UICC
                             : FileId::kDirTelecom;
    for (const uint16_t id : {FileId::kMf, dir, UsimFile::kDirPhoneBook, fileId}) {
        ++m_commands;
        CardResult selected = commands.select(id);
        if (!selected.ok())
            return fail(std::move(selected));
    }
    m_current = fileId;
    return true;
}

bool CardBook::sizeFile(FileImage& file)
{
    if (!selectFile(file.ref.fileId))
        return false;
    ++m_commands;
    HeaderResult header = m_session.commands().header();
    if (!header.result.ok())
        return fail(std::move(header.result));
    file.recordLength = header.header.recordLength;
    file.recordCount = std::min(header.header.recordCount(), 255);
    if (file.recordLength == 0)
        return fail(malformed("a file of the phone book is not a record file"));
    file.records.assign(static_cast<std::size_t>(file.recordCount), {});
    return true;
}

bool CardBook::load(FileImage& file, int r)
{
    if (r < 1 || r > file.recordCount)
        return true; // a link past the file's end names nothing
    std::vector<uint8_t>& slot = file.records[static_cast<std::size_t>(r - 1)];
    if (!slot.empty())
        return true;
    if (m_current != file.ref.fileId && !selectFile(file.ref.fileId))
        return false;
    ++m_commands;
    CardResult read = m_session.commands().readRecord(static_cast<uint8_t>(r),
                                                      static_cast<uint8_t>(file.recordLength));
    if (!read.ok())
        return fail(std::move(read));
    read.data.resize(static_cast<std::size_t>(file.recordLength), 0xFF);
    slot = std::move(read.data);
    return true;
}

bool CardBook::loadAll(FileImage& file)
{
    for (int r = 1; r <= file.recordCount; ++r)
        if (!load(file, r))
            return false;
    return true;
}

bool CardBook::update(FileImage& file, int r, const std::vector<uint8_t>& data)
{
    if (m_current != file.ref.fileId && !selectFile(file.ref.fileId))
        return false;
    ++m_commands;
    m_notKept = false;
    CardResult written =
        m_session.commands().updateRecord(static_cast<uint8_t>(r), RecordMode::Absolute, data);
    if (!written.ok())
        return fail(std::move(written));
    // Read back: a card that answers 90 00 and keeps something else has not written it.
    ++m_commands;
    CardResult check = m_session.commands().readRecord(static_cast<uint8_t>(r),
                                                       static_cast<uint8_t>(data.size()));
    if (!check.ok())
        return fail(std::move(check));
    if (check.data != data) {
        m_notKept = true;
        return fail(std::move(check));
    }
    file.records[static_cast<std::size_t>(r - 1)] = data;
    return true;
}

bool CardBook::open(BookImage& image)
{
    FileImage pbr = imageOf({PbrTag::Adn, Link::Type1, UsimFile::kPbr, 0});
    if (!sizeFile(pbr) || !loadAll(pbr))
        return false;
    const auto sets = parsePbr(pbr.records);
    if (!sets || sets->empty())
        return fail(malformed("EF PBR names no phone book"));

    image = {};
    // A file beside EF ADN that the directory names and the card does not
    // have is left out of the image and named in image.missing; any other
    // refusal ends the open.
    bool failed = false;
    const auto beside = [&](const PbrFile& ref) -> std::optional<FileImage> {
        FileImage file = imageOf(ref);
        if (sizeFile(file))
            return file;
        if (m_failure.outcome == CardOutcome::NoSuchFile)
            image.missing.push_back(ref);
        else
            failed = true;
        return std::nullopt;
    };
    bool ext1Named = false;
    for (const PbrSet& pbrSet : *sets) {
        SetImage set;
        set.pbr = pbrSet;
        set.adn = imageOf(*pbrSet.adn());
        if (!sizeFile(set.adn))
            return false;
        for (const PbrFile& file : pbrSet.files) {
            switch (file.tag) {
            case PbrTag::Iap:
                set.iap = beside(file);
                break;
            case PbrTag::Anr:
                if (auto anr = beside(file))
                    set.anr.push_back(std::move(*anr));
                break;
            case PbrTag::Email:
                if (auto email = beside(file))
                    set.email.push_back(std::move(*email));
                break;
            case PbrTag::Sne:
                set.sne = beside(file);
                break;
            case PbrTag::Ext1:
                if (!ext1Named) {
                    ext1Named = true;
                    image.ext1 = beside(file);
                }
                break;
            default:
                break; // PBC, GRP, UID and the rest are left as the card has them
            }
            if (failed)
                return false;
        }
        if (!set.iap)
            dropUnlinked(set, image.missing);
        image.sets.push_back(std::move(set));
    }
    m_failure = {};
    writeLog(LogLevel::Trace, kTag, "%d set(s), %d contacts", static_cast<int>(image.sets.size()),
             image.contactCount());
    return true;
}

int SetImage::linkedRecord(const FileImage& file, int r) const
{
    if (!iap || r < 1 || static_cast<std::size_t>(r) > iap->records.size())
        return 0;
    const std::vector<uint8_t>& links = iap->record(r);
    const int index = pbr.iapIndexOf(file.ref);
    if (index < 0 || static_cast<std::size_t>(index) >= links.size())
        return 0;
    const uint8_t link = links[static_cast<std::size_t>(index)];
    return link == kNoLink || link == 0 || link > file.recordCount ? 0 : link;
}

namespace {

// The record that holds contact `r`'s data in `file`: r itself for a type 1
// file, the IAP's link for a type 2 file; 0 for none.
int recordFor(const SetImage& set, const FileImage& file, int r)
{
    return file.isType2() ? set.linkedRecord(file, r) : r;
}

bool adnInUse(const SetImage& set, int r)
{
    const std::vector<uint8_t>& record = set.adn.record(r);
    return !record.empty() && !isFreeRecord(record);
}

} // namespace

bool loadLinked(CardBook& card, BookImage& image)
{
    std::vector<uint8_t> extensions;
    for (SetImage& set : image.sets) {
        for (int r = 1; r <= set.adn.recordCount; ++r) {
            if (!adnInUse(set, r))
                continue;
            if (const auto parsed = parseNumberRecord(set.adn.record(r));
                parsed && parsed->hasExtension())
                extensions.push_back(parsed->extensionRecord);
            if (set.iap && !card.load(*set.iap, r))
                return false;
            for (auto* files : {&set.anr, &set.email})
                for (FileImage& file : *files) {
                    const int target = recordFor(set, file, r);
                    if (target != 0 && !card.load(file, target))
                        return false;
                    if (target != 0 && file.ref.tag == PbrTag::Anr)
                        if (const auto anr = parseAnrRecord(file.record(target));
                            anr && anr->extensionRecord != 0xFF)
                            extensions.push_back(anr->extensionRecord);
                }
            if (set.sne) {
                const int target = recordFor(set, *set.sne, r);
                if (target != 0 && !card.load(*set.sne, target))
                    return false;
            }
        }
    }
    if (image.ext1)
        for (const uint8_t ext : extensions)
            if (!card.load(*image.ext1, ext))
                return false;
    return true;
}

std::vector<Contact> contactsOf(const BookImage& image)
{
    std::vector<Contact> contacts;
    for (const SetImage& set : image.sets) {
        for (int r = 1; r <= set.adn.recordCount; ++r) {
            if (!adnInUse(set, r))
                continue;
            const auto parsed = parseNumberRecord(set.adn.record(r));
            if (!parsed)
                continue;
            Contact contact;
            contact.setName(heldNameFromCardAlpha(parsed->alpha));
            contact.setNumber(numberWithExtension(parsed->number, parsed->extensionRecord, image));
            contact.tonNpi = parsed->tonNpi;
            contact.ccp = parsed->ccp;
            for (const FileImage& file : set.anr) {
                const int target = recordFor(set, file, r);
                if (target == 0 || file.record(target).empty())
                    continue;
                if (const auto anr = parseAnrRecord(file.record(target))) {
                    ExtraNumber extra;
                    extra.number = numberWithExtension(anr->number, anr->extensionRecord, image);
                    extra.tonNpi = anr->tonNpi;
                    contact.editExtras().extraNumbers.push_back(std::move(extra));
                }
            }
            for (const FileImage& file : set.email) {
                const int target = recordFor(set, file, r);
                if (target == 0 || file.record(target).empty())
                    continue;
                std::string email = parseTextRecord(file.record(target), file.isType2());
                if (!email.empty())
                    contact.editExtras().emails.push_back(std::move(email));
            }
            if (set.sne) {
                const int target = recordFor(set, *set.sne, r);
                if (target != 0 && !set.sne->record(target).empty())
                    contact.editExtras().secondName =
                        parseTextRecord(set.sne->record(target), set.sne->isType2());
            }
            contacts.push_back(std::move(contact));
        }
    }
    return contacts;
}

} // namespace usim
