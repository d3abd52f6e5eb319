#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// One subcommand of varnotool. A subcommand lives in its own source file and registers itself
// with a static Command::Registration; main() finds it by name.
struct Command {
    const char* name;
    const char* usage; // the arguments, for the usage text
    // Runs with the arguments after the subcommand's name; returns the exit status. Errors of
    // the engine escape as VarnoError and end the tool with status 1.
    int (*run)(const QStringList& args);
    // Draws with fonts and pictures: runs under a GUI application on the offscreen platform, so
    // that no display is needed.
    bool gui = false;

    static const QList<Command>& all();
    static const Command* find(const QString& name);

    struct Registration {
        explicit Registration(const Command& command);
    };
};

// Output helpers: standard output takes exactly the bytes given.
void writeOut(const QByteArray& bytes);
void writeErr(const QString& text);
// The usage line of a subcommand on standard error; returns the status of a usage error (2).
int usageError(const Command& command);
