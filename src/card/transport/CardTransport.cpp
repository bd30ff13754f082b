#include "card/transport/CardTransport.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace {

const SCARD_IO_REQUEST kSendPci{SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};

constexpr uint8_t kInsGetResponse = 0xC0;
// Room for the largest answer a short APDU can carry, with its status word.
constexpr DWORD kLargestAnswer = 256 + 2;
// A card that keeps announcing more data is not followed for ever.
constexpr int kMaxFollowUps = 8;

// How long a short answer waits for the reader to notice that the card left.
constexpr int kPresenceChecks = 5;
constexpr auto kPresenceInterval = std::chrono::milliseconds(200);

bool announcesData(StatusWord sw)
{
    return sw.sw1 == 0x9F || sw.sw1 == 0x61;
}

} // namespace

CardAnswer CardTransport::send(std::span<const uint8_t> command, DWORD receiveLength) const
{
    std::vector<uint8_t> buffer(std::max<DWORD>(receiveLength, 2));
    DWORD length = receiveLength;
    CardAnswer answer;
    answer.pcsc =
        m_api->SCardTransmit(*m_card, &kSendPci, command.data(), static_cast<DWORD>(command.size()),
                             nullptr, buffer.data(), &length);
    if (answer.pcsc != Pcsc::kSuccess)
        return answer;
    length = std::min<DWORD>(length, static_cast<DWORD>(buffer.size()));
    if (length < 2) {
        answer.shortAnswer = true;
        answer.pcsc = presenceAfterShortAnswer();
        return answer;
    }
    answer.sw = {buffer[length - 2], buffer[length - 1]};
    answer.data.assign(buffer.begin(), buffer.begin() + (length - 2));
    return answer;
}

LONG CardTransport::presenceAfterShortAnswer() const
{
    // A card pulled out in the middle of a command can leave a transmit that
    // "succeeded" with nothing in it. The reader learns of the removal a moment
    // later; until it does, the answer stays what it was: short.
    if (m_api->SCardStatus == nullptr)
        return Pcsc::kSuccess;
    for (int check = 0; check < kPresenceChecks; ++check) {
        DWORD readerLength = 0;
        DWORD state = 0;
        DWORD protocol = 0;
        DWORD atrLength = 0;
        const LONG status = m_api->SCardStatus(*m_card, nullptr, &readerLength, &state, &protocol,
                                               nullptr, &atrLength);
        if (status == LONG(SCARD_W_REMOVED_CARD) ||
            (status == Pcsc::kSuccess && (state & SCARD_ABSENT)))
            return LONG(SCARD_W_REMOVED_CARD);
        if (status != Pcsc::kSuccess)
            return status;
        if (check + 1 < kPresenceChecks)
            std::this_thread::sleep_for(kPresenceInterval);
    }
    return Pcsc::kSuccess;
}

CardAnswer CardTransport::getResponse(uint8_t cla, uint8_t length, DWORD receiveLength) const
{
    const uint8_t command[] = {cla, kInsGetResponse, 0x00, 0x00, length};
    return send(command, receiveLength);
}

CardAnswer CardTransport::exchange(std::span<const uint8_t> command, DWORD receiveLength,
                                   Collect collect) const
{
    CardAnswer answer = send(command, receiveLength);
    if (answer.pcsc != Pcsc::kSuccess || answer.shortAnswer || command.size() < 5)
        return answer;

    // 6C xx: the card wants Le = xx. Only a command that expects data (no
    // command data behind P3) can be repeated that way.
    if (answer.sw.sw1 == 0x6C && command.size() == 5) {
        std::vector<uint8_t> again(command.begin(), command.end());
        again[4] = answer.sw.sw2;
        answer = send(again, static_cast<DWORD>(answer.sw.sw2 == 0 ? 256 : answer.sw.sw2) + 2);
        if (answer.pcsc != Pcsc::kSuccess || answer.shortAnswer)
            return answer;
    }

    if (!announcesData(answer.sw))
        return answer;
    if (collect == Collect::Later) {
        answer.pending = answer.sw.sw2 == 0 ? 256 : answer.sw.sw2;
        return answer;
    }
    std::vector<uint8_t> data = std::move(answer.data);
    for (int i = 0; i < kMaxFollowUps && announcesData(answer.sw); ++i) {
        const uint8_t length = answer.sw.sw2;
        answer = getResponse(command[0], length,
                             length == 0 ? kLargestAnswer : static_cast<DWORD>(length) + 2);
        if (answer.pcsc != Pcsc::kSuccess || answer.shortAnswer)
            return answer;
        data.insert(data.end(), answer.data.begin(), answer.data.end());
    }
    answer.data = std::move(data);
    return answer;
}
