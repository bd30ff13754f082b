#include "cli/CliOptions.h"

#include "card/flows/CardSession.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace {

struct CommandName
{
    CliCommand command;
    std::string_view name;
};

constexpr CommandName kCommands[] = {
    {CliCommand::Readers, "readers"}, {CliCommand::Info, "info"}, {CliCommand::Read, "read"},
    {CliCommand::Write, "write"},     {CliCommand::Pin, "pin"},   {CliCommand::Convert, "convert"},
};

struct ModeName
{
    std::string_view name;
    WriteMode mode;
};

constexpr ModeName kModes[] = {
    {"all", WriteMode::WriteAll},    {"selected", WriteMode::WriteSelected},
    {"add", WriteMode::AddAll},      {"add-selected", WriteMode::AddSelected},
    {"clear", WriteMode::ClearCard},
};

struct PinActionName
{
    std::string_view name;
    PinAction action;
};

constexpr PinActionName kPinActions[] = {
    {"change", PinAction::Change},
    {"enable", PinAction::Enable},
    {"disable", PinAction::Disable},
    {"unblock", PinAction::Unblock},
};

// Which options each command takes.
enum OptionBit : unsigned
{
    Reader = 1u << 0,
    PinFileBit = 1u << 1,
    Pin2FileBit = 1u << 2,
    NewPinFileBit = 1u << 3,
    PukFileBit = 1u << 4,
    ModeBit = 1u << 5,
    SelectBit = 1u << 6,
    YesBit = 1u << 7,
    ChvBit = 1u << 8,
    NameFieldBit = 1u << 9,
    NumberFieldBit = 1u << 10,
    NumbersBit = 1u << 11,
    VCardVersionBit = 1u << 12,
    DryRunBit = 1u << 13,
    PartialBit = 1u << 14,
    NoBackupBit = 1u << 15,
    LastAttemptBit = 1u << 16,
};

unsigned optionsOf(CliCommand command)
{
    switch (command) {
    case CliCommand::Info:
    case CliCommand::Read:
        return Reader | PinFileBit | VCardVersionBit | LastAttemptBit;
    case CliCommand::Write:
        return Reader | PinFileBit | Pin2FileBit | ModeBit | SelectBit | YesBit | NameFieldBit |
               NumberFieldBit | NumbersBit | DryRunBit | PartialBit | NoBackupBit |
               LastAttemptBit;
    case CliCommand::Pin:
        return Reader | PinFileBit | NewPinFileBit | PukFileBit | ChvBit | LastAttemptBit;
    case CliCommand::Convert:
        return NameFieldBit | NumberFieldBit | NumbersBit | VCardVersionBit;
    default:
        return 0;
    }
}

std::optional<unsigned> parseNumber(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

// Applies one option with its value to `options`. Returns the error, or empty.
std::string applyOption(CliOptions& options, std::string_view name, const std::string& value)
{
    if (name == "--reader") {
        options.reader = value;
    } else if (name == "--pin-file") {
        options.pinFile = value;
    } else if (name == "--pin2-file") {
        options.pin2File = value;
    } else if (name == "--new-pin-file") {
        options.newPinFile = value;
    } else if (name == "--puk-file") {
        options.pukFile = value;
    } else if (name == "--select") {
        options.selectList = value;
    } else if (name == "--mode") {
        const auto* mode = std::find_if(std::begin(kModes), std::end(kModes),
                                        [&](const ModeName& m) { return m.name == value; });
        if (mode == std::end(kModes))
            return "unknown write mode " + quoted(value) +
                   " (all, selected, add, add-selected or clear)";
        options.writeMode = mode->mode;
    } else if (name == "--chv") {
        if (value != "1" && value != "2")
            return "--chv takes 1 or 2, not " + quoted(value);
        options.chv = value == "1" ? 1 : 2;
    } else if (name == "--name-field" || name == "--number-field") {
        const std::optional<unsigned> field = parseNumber(value);
        if (!field || *field > 1000)
            return std::string(name) + " takes a field number from 0, not " + quoted(value);
        (name == "--name-field" ? options.nameField : options.numberField) = *field;
    } else if (name == "--numbers") {
        if (value != "preferred" && value != "each")
            return "--numbers takes preferred or each, not " + quoted(value);
        options.entryPerNumber = value == "each";
    } else if (name == "--vcard-version") {
        if (value != "4.0" && value != "3.0")
            return "--vcard-version takes 4.0 or 3.0, not " + quoted(value);
        options.vCard30 = value == "3.0";
    }
    return {};
}

struct OptionSpec
{
    std::string_view name;
    unsigned bit;
    bool takesValue;
};

constexpr OptionSpec kOptions[] = {
    {"--reader", Reader, true},
    {"--pin-file", PinFileBit, true},
    {"--pin2-file", Pin2FileBit, true},
    {"--new-pin-file", NewPinFileBit, true},
    {"--puk-file", PukFileBit, true},
    {"--mode", ModeBit, true},
    {"--select", SelectBit, true},
    {"--yes", YesBit, false},
    {"--allow-last-attempt", LastAttemptBit, false},
    {"--chv", ChvBit, true},
    {"--name-field", NameFieldBit, true},
    {"--number-field", NumberFieldBit, true},
    {"--numbers", NumbersBit, true},
    {"--vcard-version", VCardVersionBit, true},
    {"--dry-run", DryRunBit, false},
    {"--partial", PartialBit, false},
    {"--no-backup", NoBackupBit, false},
};

// The write modes that take the rows of --select.
bool writesSelected(std::optional<WriteMode> mode)
{
    return mode == WriteMode::WriteSelected || mode == WriteMode::AddSelected;
}

// Checks the operands and the option combinations once everything is read.
std::string finish(CliOptions& options, const std::vector<std::string>& operands, bool modeGiven)
{
    const auto count = [&](std::size_t wanted, const char* what) -> std::string {
        if (operands.size() < wanted)
            return std::string("missing ") + what;
        if (operands.size() > wanted)
            return "unexpected argument " + quoted(operands[wanted]);
        return {};
    };
    std::string error;
    switch (options.command) {
    case CliCommand::Readers:
        error = count(0, "");
        break;
    case CliCommand::Info:
        error = count(0, "");
        break;
    case CliCommand::Read:
        error = count(1, "the output file OUT");
        if (error.empty())
            options.output = operands[0];
        break;
    case CliCommand::Write:
        error = count(1, "the input file IN");
        if (!error.empty())
            break;
        options.input = operands[0];
        if (!modeGiven)
            return "missing --mode";
        if (writesSelected(options.writeMode) && options.selectList.empty())
            return "--mode selected and add-selected need --select";
        if (!writesSelected(options.writeMode) && !options.selectList.empty())
            return "--select goes only with --mode selected or add-selected";
        break;
    case CliCommand::Pin: {
        if (operands.empty())
            return "missing the action: change, enable, disable or unblock";
        const auto* action =
            std::find_if(std::begin(kPinActions), std::end(kPinActions),
                         [&](const PinActionName& a) { return a.name == operands[0]; });
        if (action == std::end(kPinActions))
            return "unknown PIN action " + quoted(operands[0]) +
                   " (change, enable, disable or unblock)";
        options.pinAction = action->action;
        if (operands.size() > 1)
            return "unexpected argument " + quoted(operands[1]);
        if (options.chv == 2 &&
            (options.pinAction == PinAction::Enable || options.pinAction == PinAction::Disable))
            return "PIN2 can only be changed or unblocked";
        break;
    }
    case CliCommand::Convert:
        error = count(2, operands.empty() ? "the files IN and OUT" : "the output file OUT");
        if (error.empty()) {
            options.input = operands[0];
            options.output = operands[1];
        }
        break;
    case CliCommand::None:
        break;
    }
    if (error.empty() && options.nameField && options.nameField == options.numberField)
        error = "--name-field and --number-field must name different fields";
    return error;
}

} // namespace

CliCommand cliCommandByName(std::string_view name)
{
    for (const CommandName& entry : kCommands) {
        if (entry.name == name)
            return entry.command;
    }
    return CliCommand::None;
}

CliParseResult parseCliArguments(const std::vector<std::string>& arguments)
{
    CliParseResult result;
    CliOptions& options = result.options;
    const auto fail = [&](std::string error) {
        result.ok = false;
        result.error = std::move(error);
        return result;
    };

    if (arguments.empty())
        return fail("missing command");
    const std::string& first = arguments[0];
    if (first == "--help" || first == "-h") {
        if (arguments.size() > 1)
            return fail("unexpected argument " + quoted(arguments[1]));
        options.help = true;
        result.ok = true;
        return result;
    }
    if (first == "--version") {
        if (arguments.size() > 1)
            return fail("unexpected argument " + quoted(arguments[1]));
        options.version = true;
        result.ok = true;
        return result;
    }
    options.command = cliCommandByName(first);
    if (options.command == CliCommand::None)
        return fail(first.starts_with("-") ? "unknown option " + quoted(first)
                                           : "unknown command " + quoted(first));

    const unsigned allowed = optionsOf(options.command);
    std::vector<std::string> operands;
    bool modeGiven = false;
    bool endOfOptions = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (endOfOptions || argument == "-" || !argument.starts_with("-")) {
            operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            endOfOptions = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string_view name = std::string_view(argument).substr(0, equals);
        const auto* option = std::find_if(std::begin(kOptions), std::end(kOptions),
                                          [&](const OptionSpec& s) { return s.name == name; });
        if (option == std::end(kOptions) || (allowed & option->bit) == 0)
            return fail("unknown option " + quoted(name));
        if (!option->takesValue) {
            if (equals != std::string::npos)
                return fail(std::string(name) + " takes no value");
            switch (option->bit) {
            case DryRunBit:
                options.dryRun = true;
                break;
            case PartialBit:
                options.partial = true;
                break;
            case LastAttemptBit:
                options.allowLastAttempt = true;
                break;
            case NoBackupBit:
                options.noBackup = true;
                break;
            default:
                options.assumeYes = true;
                break;
            }
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return fail(std::string(name) + " needs a value");
        }
        if (value.empty())
            return fail(std::string(name) + " needs a value");
        if (name == "--mode")
            modeGiven = true;
        if (std::string error = applyOption(options, name, value); !error.empty())
            return fail(std::move(error));
    }
    if (options.help) {
        result.ok = true;
        return result;
    }
    if (std::string error = finish(options, operands, modeGiven); !error.empty())
        return fail(std::move(error));
    result.ok = true;
    return result;
}

bool parseSelection(std::string_view list, uint32_t count, std::vector<uint32_t>& rows,
                    std::string& error)
{
    rows.clear();
    std::vector<bool> chosen(count, false);
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view item = list.substr(start, comma - start);
        const std::size_t dash = item.find('-');
        const std::optional<unsigned> first = parseNumber(item.substr(0, dash));
        const std::optional<unsigned> last =
            dash == std::string_view::npos ? first : parseNumber(item.substr(dash + 1));
        if (!first || !last || *first == 0 || *last < *first) {
            error = "--select: " + quoted(item) +
                    " is not a place or a range of places (such as 2,5-7)";
            return false;
        }
        if (*last > count) {
            error = "--select: the book has " + std::to_string(count) + " contacts, there is no " +
                    std::to_string(*last);
            return false;
        }
        for (unsigned place = *first; place <= *last; ++place)
            chosen[place - 1] = true;
        start = comma + 1;
    }
    for (uint32_t row = 0; row < count; ++row) {
        if (chosen[row])
            rows.push_back(row);
    }
    return true;
}
