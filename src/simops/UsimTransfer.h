#pragma once

#include "simops/BookReader.h"
#include "simops/CardTransfer.h"

class ProgressMeter;
class UserInterface;

// The card transfer of a USIM phone book (session.phoneBookPlace is not
// SimAdn): every set of EF PBR with second numbers, e-mail addresses and
// second names. The side books (fixed dialling, last dialled, own numbers)
// are not part of it.

// Reads the whole USIM phone book into out.contacts (side books left empty).
// False when the read did not complete: the user has been told and the
// connection is ended. Sets the session's record geometry from the ADN files.
bool readUsimBooks(CardSession& session, UserInterface& ui, CardBooksRead& out);

// Writes books.book to the USIM phone book in books.state.writeMode, with the
// checks, questions, backup and report of a SIM's phone book (books.request,
// books.report). The whole write is worked out before the first record is
// sent; only records that change are sent, each read back.
WriteOutcome writeUsimBook(CardSession& session, CardTransferBooks& books, UserInterface& ui);
