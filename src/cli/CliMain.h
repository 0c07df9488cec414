// The shared entry of the lumora-cli programs: finds the verb, creates the
// application object it needs, converts the arguments and runs it.
#pragma once

#include "cli/Verbs.h"

#include <QCoreApplication>

#include <memory>
#include <span>

namespace lumora::cli {

// Makes the application object a verb runs under; none given: a
// QCoreApplication.
using AppFactory = std::unique_ptr<QCoreApplication> (*)(int& argc, char** argv);

// For verbs that run no event loop: constructing the application object
// costs several milliseconds, a large part of a short run.
inline std::unique_ptr<QCoreApplication> WithoutApplication(int&, char**) { return nullptr; }

struct Verb {
    const char* name;
    int (*run)(const Args&);
    AppFactory makeApp = nullptr;
};

inline constexpr const char* kUsage =
    "usage: lumora-cli fetch URL | code OP TEXT | regex PATTERN FILE | object URL [OPTIONS] | socket URL | "
    "probe URL | list N [--address URL] | video ID | classify ADDRESS | resolve ADDRESS [TITLE] | "
    "download URL FILE | play [--null] [--seconds N] ADDRESS";

// Runs argv[1] from `verbs`; a verb not in the table is a usage error.
int RunVerb(std::span<const Verb> verbs, int argc, char** argv);

}  // namespace lumora::cli
