#include "shell/CommandLine.h"

#include "shell/AppIdentity.h"

#include <cstdio>

namespace {

const QString kHelp = QStringLiteral("help");
const QString kVersion = QStringLiteral("version");

// "-h, --help" or "    --pdf FILE": short names first, the long ones aligned after them.
QString Shown(const ProgramOption& option) {
    QStringList names;
    bool shortName = false;
    for (const QString& name : option.names) {
        shortName = shortName || name.size() == 1;
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    }
    QString shown = (shortName ? QStringLiteral("  ") : QStringLiteral("      ")) +
                    names.join(QStringLiteral(", "));
    if (!option.value.isEmpty()) {
        shown += QLatin1Char(' ') + option.value;
    }
    return shown;
}

std::vector<ProgramOption> WithHelpAndVersion(std::vector<ProgramOption> options) {
    options.insert(options.begin(),
                   {{{QStringLiteral("h"), kHelp}, {}, QStringLiteral("show this help and exit")},
                    {{kVersion}, {}, QStringLiteral("show the name and version and exit")}});
    return options;
}

}  // namespace

CommandLine::CommandLine(ProgramUsage usage, const QStringList& arguments)
    : usage_(std::move(usage)), arguments_(arguments) {
    usage_.options = WithHelpAndVersion(std::move(usage_.options));
    for (const ProgramOption& option : usage_.options) {
        parser_.addOption(QCommandLineOption(option.names, option.help, option.value));
    }
    if (!parser_.parse(QStringList(usage_.program) + arguments)) {
        // Qt says what is wrong: an unknown option, or one without its value.
        Refuse(parser_.errorText());
        return;
    }
    if (!parser_.positionalArguments().isEmpty()) {
        Refuse(QStringLiteral("'%1' is no option of %2")
                   .arg(parser_.positionalArguments().front(), usage_.program));
        return;
    }
    for (const ProgramOption& option : usage_.options) {
        if (parser_.values(option.names.back()).size() > 1) {
            Refuse(QStringLiteral("--%1 is given twice").arg(option.names.back()));
            return;
        }
    }
    if (parser_.isSet(kHelp)) {
        ended_ = 0;
        said_ = HelpText();
    } else if (parser_.isSet(kVersion)) {
        ended_ = 0;
        said_ = VersionText(usage_.program);
    }
}

void CommandLine::Refuse(const QString& what) {
    ended_ = 2;
    said_ = usage_.program + QStringLiteral(": ") + what + QStringLiteral("\nusage: ") +
            usage_.usage + QLatin1Char('\n');
}

QString CommandLine::HelpText() const {
    QString text = QStringLiteral("Usage: ") +
                   (usage_.synopsis.isEmpty() ? usage_.usage : usage_.synopsis) +
                   QStringLiteral("\n") + usage_.about + QStringLiteral("\n\nOptions:\n");
    qsizetype width = 0;
    for (const ProgramOption& option : usage_.options) {
        width = std::max(width, Shown(option).size());
    }
    for (const ProgramOption& option : usage_.options) {
        text += Shown(option).leftJustified(width + 2) + option.help + QLatin1Char('\n');
    }
    return text;
}

QString CommandLine::VersionText(const QString& program) {
    return program + QStringLiteral(" (") + kAppTitle + QStringLiteral(") ") + VersionLabel() +
           QLatin1Char('\n');
}

void PrintSaid(const CommandLine& line) {
    std::fputs(line.Said().toLocal8Bit().constData(), line.Ended() == 0 ? stdout : stderr);
}
