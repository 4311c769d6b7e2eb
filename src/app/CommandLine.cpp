// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

namespace brisa {

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine cl;
    for (const auto& a : args) {
        if (a == "--version" || a == "-v") {
            cl.action = CommandLine::Action::Version;
        } else if (a == "--help" || a == "-h") {
            cl.action = CommandLine::Action::Help;
        } else {
            cl.action = CommandLine::Action::Error;
            cl.error = a.starts_with("-") ? "opción desconocida: " + a : "orden desconocida: " + a;
            return cl;
        }
    }
    return cl;
}

std::string helpText()
{
    return "Uso: brisa [opciones]\n"
           "\n"
           "Brisa guarda el historial del portapapeles y lo devuelve con un panel,\n"
           "una biblioteca y atajos de teclado.\n"
           "\n"
           "Opciones:\n"
           "  -h, --help       muestra esta ayuda y sale\n"
           "  -v, --version    muestra la versión y sale\n";
}

} // namespace brisa
