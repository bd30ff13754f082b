#pragma once

// Command identifiers of the main window. Menu items, shortcuts, toolbar
// buttons and context-menu items all arrive as one of these.
namespace Command {
constexpr int New = 1002;
constexpr int Open = 1003;
constexpr int Save = 1004;
constexpr int CloseFile = 1005;
constexpr int SaveAs = 1006;
constexpr int MoveUp = 1007;
constexpr int MoveDown = 1008;
constexpr int Copy = 1010;
constexpr int Paste = 1011;
constexpr int Find = 1016;
constexpr int Read = 1017;
constexpr int WriteAll = 1018;
constexpr int Add = 1019;
constexpr int Edit = 1020;
constexpr int Delete = 1021;
constexpr int ChangePin = 1022;
constexpr int UnblockPin = 1023;
constexpr int Exit = 1024;
constexpr int ImportCsv = 1057;
constexpr int ExportCsv = 1058;
constexpr int ImportVCard = 1059;
constexpr int ExportVCard = 1060;
constexpr int CloseCard = 40011;
constexpr int Readme = 40007;
constexpr int About = 40008;
constexpr int Update = 40014;
constexpr int Print = 40033;
constexpr int Cut = 40034;
constexpr int WriteSelected = 40047;
constexpr int AddAll = 40048;
constexpr int AddSelected = 40049;
constexpr int ClearCard = 40051;
constexpr int KeyboardContextMenu = 40056;
constexpr int SimInfo = 40062;
constexpr int Options = 40065;
constexpr int UnblockPin2 = 40067;
constexpr int ChangePin2 = 40068;
// Context-menu twins of the Contact menu items.
constexpr int ContextCut = 1200;
constexpr int ContextCopy = 1201;
constexpr int ContextPaste = 1202;
constexpr int ContextDelete = 1203;
constexpr int ContextAdd = 1204;
constexpr int ContextEdit = 1205;
constexpr int ContextMoveUp = 1206;
constexpr int ContextMoveDown = 1207;

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
