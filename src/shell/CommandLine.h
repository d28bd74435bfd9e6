#pragma once
// The command line, the same in all three programs: --help (-h) says what the program does and
// every option, one line each; --version its name and the version the splash shows; a bad
// argument is one line that says what is wrong, then the usage, with exit status 2. Nothing here
// needs an application object, so that neither needs a window nor a display. The manual pages
// are made from the --help text at build time, so the two never disagree.

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// One option of a program besides --help and --version.
struct ProgramOption {
    QStringList names;  // {"pdf"}, or {"j", "jobs"}
    QString value;      // the value's name in the help ("FILE"), empty for an option without
    QString help;       // one line
};

struct ProgramUsage {
    QString program;  // "dravik-toc-report"
    QString usage;    // the lines after "usage: ", each beginning with the program's name
    // The same for --help, where the manual page's maker reads it: lines after the first begin
    // with "  or:  "; empty for the same as usage.
    QString synopsis;
    QString about;  // what the program does, for --help; lines of at most 79 characters
    std::vector<ProgramOption> options;
};

class CommandLine {
public:
    // arguments without the program's own name.
    CommandLine(ProgramUsage usage, const QStringList& arguments);

    // When the program has nothing more to do: 0 after --help or --version, 2 after a bad
    // argument; said() then holds what to print, on standard output for 0, else on standard
    // error.
    std::optional<int> Ended() const { return ended_; }
    const QString& Said() const { return said_; }

    bool IsSet(const QString& name) const { return parser_.isSet(name); }
    // The value given; a value given twice is refused before.
    QString Value(const QString& name) const { return parser_.value(name); }
    bool Empty() const { return arguments_.isEmpty(); }

    // Ends the program's parse with what is wrong (one line, without the program's name), then
    // the usage: Ended() is 2 afterwards.
    void Refuse(const QString& what);

    QString HelpText() const;
    static QString VersionText(const QString& program);

private:
    ProgramUsage usage_;
    QStringList arguments_;
    QCommandLineParser parser_;
    std::optional<int> ended_;
    QString said_;
};

// Prints what the command line said where it belongs: standard output for a status of 0,
// standard error otherwise.
void PrintSaid(const CommandLine& line);
