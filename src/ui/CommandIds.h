#pragma once

// Command identifiers of the main window. Menu items, shortcuts, toolbar
// buttons and context-menu items all arrive as one of these.
namespace Command {
enum Id : int
{
    New = 1002,
    Open = 1003,
    Save = 1004,
    CloseFile = 1005,
    SaveAs = 1006,
    MoveUp = 1007,
    MoveDown = 1008,
    Copy = 1010,
    Paste = 1011,
    Find = 1016,
    Read = 1017,
    WriteAll = 1018,
    Add = 1019,
    Edit = 1020,
    Delete = 1021,
    ChangePin = 1022,
    UnblockPin = 1023,
    Exit = 1024,
    ImportCsv = 1057,
    ExportCsv = 1058,
    ImportVCard = 1059,
    ExportVCard = 1060,
    CloseCard = 40011,
    Readme = 40007,
    About = 40008,
    Update = 40014,
    Print = 40033,
    Cut = 40034,
    WriteSelected = 40047,
    AddAll = 40048,
    AddSelected = 40049,
    ClearCard = 40051,
    KeyboardContextMenu = 40056,
    SimInfo = 40062,
    Options = 40065,
    UnblockPin2 = 40067,
    ChangePin2 = 40068,
    // Context-menu twins of the Contact menu items.
    ContextCut = 1200,
    ContextCopy = 1201,
    ContextPaste = 1202,
    ContextDelete = 1203,
    ContextAdd = 1204,
    ContextEdit = 1205,
    ContextMoveUp = 1206,
    ContextMoveDown = 1207,
};

// Context-menu items run like their Contact-menu twins.
constexpr int mainTwinOf(int command)
{
    switch (command) {
    case ContextCut:
        return Cut;
    case ContextCopy:
        return Copy;
    case ContextPaste:
        return Paste;
    case ContextDelete:
        return Delete;
    case ContextAdd:
        return Add;
    case ContextEdit:
        return Edit;
    case ContextMoveUp:
        return MoveUp;
    case ContextMoveDown:
        return MoveDown;
    default:
        return command;
    }
}
} // namespace Command
