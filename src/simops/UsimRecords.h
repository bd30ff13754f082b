#pragma once

#include "phonebook/Contact.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The USIM phone book's own record layouts: EF PBR, which names the files of
// each set, and the records of the files it names beside EF ADN (IAP, ANR,
// EMAIL, SNE). EF ADN and EXT1 records are the same as on a SIM.
namespace usim {

// How a file of a set is tied to EF ADN: type 1 files have one record per ADN
// record (same number), type 2 files are reached through the ADN record's IAP
// record, type 3 files (EXT1) are shared by the sets.
enum class Link
{
    Type1,
    Type2,
    Type3
};

// Tags of the files inside a set's A8/A9/AA templates.
enum class PbrTag : uint8_t
{
    Adn = 0xC0,
    Iap = 0xC1,
    Ext1 = 0xC2,
    Sne = 0xC3,
    Anr = 0xC4,
    Pbc = 0xC5,
    Grp = 0xC6,
    Aas = 0xC7,
    Gas = 0xC8,
    Uid = 0xC9,
    Email = 0xCA,
    Ccp1 = 0xCB,
};

struct PbrFile
{
    PbrTag tag = PbrTag::Adn;
    Link link = Link::Type1;
    uint16_t fileId = 0;
    uint8_t shortFileId = 0; // 0: none given
};

// One record of EF PBR: the files of one set, in the order the record lists them.
struct PbrSet
{
    std::vector<PbrFile> files;

    const PbrFile* adn() const;
    // Files with `tag`, in record order (a set may have several ANR or EMAIL files).
    std::vector<PbrFile> filesWith(PbrTag tag) const;
    // Position of `file` among the type 2 files, -1 when it is not one.
    int iapIndexOf(const PbrFile& file) const;
};

// The sets of EF PBR, one per record that names an ADN file; records without
// one (all FF) are skipped. A record that breaks its own lengths yields nullopt.
std::optional<std::vector<PbrSet>> parsePbr(const std::vector<std::vector<uint8_t>>& records);

// An ANR record: AAS id, then a number record's fixed part (length, TON/NPI,
// ten BCD bytes, CCP, EXT1 id); a type 2 record ends with the ADN file's SFI
// and record number.
struct AnrContent
{
    std::string number; // the record's digits, '+' first for an international number
    uint8_t tonNpi = 0xFF;
    uint8_t extensionRecord = 0xFF; // 0xFF: none
};
inline constexpr std::size_t kAnrFixedLength = 15;
std::optional<AnrContent> parseAnrRecord(std::span<const uint8_t> record);
// `digits` holds the first 20 digits at most; `ext` the EXT1 record or FF.
std::vector<uint8_t> buildAnrRecord(std::size_t length, const std::string& number, uint8_t tonNpi,
                                    uint8_t ext, uint8_t adnSfi, uint8_t adnRecord, bool type2);

// A text record (EMAIL, SNE): the text in the card's alphabet, FF padded; a
// type 2 record ends with the ADN SFI and record number. The held text comes
// back in the program's form (Windows-1252 or a UCS2 card form); empty for a
// free record.
std::string parseTextRecord(std::span<const uint8_t> record, bool type2);
// A text longer than the record is cut at a character boundary by the name
// encoder; `cut`, when given, says whether it was.
std::vector<uint8_t> buildTextRecord(std::size_t length, const std::string& heldText,
                                     uint8_t adnSfi, uint8_t adnRecord, bool type2,
                                     bool* cut = nullptr);
// How many bytes of text a record holds.
inline std::size_t textRoom(std::size_t length, bool type2)
{
    return type2 ? (length > 2 ? length - 2 : 0) : length;
}

// The IAP byte that links no record.
inline constexpr uint8_t kNoLink = 0xFF;

} // namespace usim
