#pragma once

#include "card/commands/CardCommands.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// What a UICC tells about a file in the FCP template (tag 62) of its SELECT
// answer: file descriptor (82), file id (83), AID (84), size (80), short file
// id (88) and, for directories, the PIN status template (C6).
namespace Uicc {

enum class EfStructure
{
    None, // a directory
    Transparent,
    LinearFixed,
    Cyclic,
    Other
};

struct Fcp
{
    bool isDirectory = false;
    EfStructure structure = EfStructure::None;
    uint16_t fileId = 0;
    uint16_t recordLength = 0;
    uint8_t recordCount = 0;
    uint32_t fileSize = 0;
    uint8_t shortFileId = 0; // 0: none
    std::vector<uint8_t> aid;
    // Key references the PIN status template lists, and whether each is enabled.
    struct KeyState
    {
        uint8_t keyReference = 0;
        bool enabled = false;
    };
    std::vector<KeyState> keys;

    // nullopt: the template does not list the key.
    std::optional<bool> keyEnabled(uint8_t keyReference) const;
};

// nullopt when `answer` is not an FCP template or a length runs past its end.
std::optional<Fcp> decodeFcp(std::span<const uint8_t> answer);

// The program's view of the header: MF for 3F00, DF/ADF, or EF with its geometry.
FileHeader headerOf(const Fcp& fcp);

} // namespace Uicc
