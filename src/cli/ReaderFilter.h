#pragma once

#include "card/transport/PcscApi.h"

#include <string>
#include <vector>

// The readers the PC/SC service knows, in its order. The result of the
// listing (SCARD_E_NO_READERS_AVAILABLE with an empty list is a success here:
// the list is just empty).
LONG listReaderNames(const PcscApi& api, std::vector<std::string>& names);

// The reader --reader names: the reader of that exact name, else the only one
// whose name starts with `wanted`. Empty when there is none (or the prefix is
// not unique).
std::string matchReaderName(const std::vector<std::string>& names, const std::string& wanted);

// A table that lists only `readerName` and passes every other call to
// `inner`, so that the card flows, which walk the reader list, see that
// reader alone. One filter per process (the entry points carry no pointer of
// their own); `inner` must outlive its use.
PcscApi onlyReader(const PcscApi& inner, const std::string& readerName);
