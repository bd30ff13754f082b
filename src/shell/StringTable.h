#pragma once

#include <span>

// The program's own English texts, one {id, text} pair per string, sorted by id.
struct BuiltInString
{
    int id;
    const char* text; // UTF-8
};

std::span<const BuiltInString> builtInStrings();

// The built-in text of `id`, or nullptr when the table has no such id.
const char* builtInString(int id);
