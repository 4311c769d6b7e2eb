// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "core/capture/CapturePause.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <map>

namespace brisa {
namespace {

using RK = RemoteCommand::Kind;
// In the order of RemoteCommand::Kind. Starting Brisa only to pause it, or to say it records, would
// be odd: with none running, nothing records and the user should hear so; a Brisa that is not
// running reads the snippets when it starts.
constexpr RemoteCommandInfo kRemoteCommands[] = {
    {RK::Toggle, "toggle", "Toggle", true, true},
    {RK::QuickNote, "quick-note", "QuickNote", true, true},
    {RK::BulkCopy, "bulk-copy", "BulkCopy", true, true},
    {RK::PasteSlot, "paste-slot", "PasteSlot", true, true},
    {RK::Settings, "settings", "Settings", true, true},
    {RK::Library, "library", "Library", true, true},
    {RK::Pause, "pause", "Pause", false, true},
    {RK::Resume, "resume", "Resume", false, true},
    {RK::ReloadSnippets, "reload-snippets", "ReloadSnippets", false, false},
};

constexpr bool tableFollowsKinds()
{
    for (std::size_t i = 0; i < std::size(kRemoteCommands); ++i)
        if (static_cast<std::size_t>(kRemoteCommands[i].kind) != i)
            return false;
    return static_cast<std::size_t>(RK::ReloadSnippets) + 1 == std::size(kRemoteCommands);
}
static_assert(tableFollowsKinds(), "kRemoteCommands needs one row per RemoteCommand::Kind, in order");

CommandLine error(std::string message)
{
    CommandLine cl;
    cl.action = CommandLine::Action::Error;
    cl.error = std::move(message);
    return cl;
}

std::optional<std::size_t> parseCount(const std::string& s)
{
    std::size_t n = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return n;
}

struct CommandSpec {
    StoreCommand::Kind kind;
    bool takesJson, takesLimit, takesAddOptions;
    /// 0: none, 1: required, 2: optional.
    int argument;
    const char* argumentName;
    bool takesExportOptions = false;
};

const std::map<std::string, CommandSpec>& commands()
{
    using K = StoreCommand::Kind;
    static const std::map<std::string, CommandSpec> table{
        {"history", {K::History, true, true, false, 0, ""}},
        {"add", {K::Add, true, false, true, 2, "TEXTO"}},
        {"search", {K::Search, true, true, false, 1, "CONSULTA"}},
        {"show", {K::Show, true, false, false, 1, "ID"}},
        {"delete", {K::Delete, false, false, false, 1, "ID"}},
        {"pin", {K::Pin, false, false, false, 1, "ID"}},
        {"unpin", {K::Unpin, false, false, false, 1, "ID"}},
        {"export", {K::Export, false, false, false, 2, "ARCHIVO", true}},
        {"import", {K::Import, false, false, false, 1, "ARCHIVO"}},
        {"clear", {K::Clear, false, false, false, 0, ""}},
    };
    return table;
}

CommandLine parseStoreCommand(const std::string& name, const CommandSpec& spec, const std::vector<std::string>& args,
                              std::size_t from)
{
    CommandLine cl;
    cl.action = CommandLine::Action::Store;
    cl.store.kind = spec.kind;
    bool optionsEnded = false;
    for (std::size_t i = from; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && a == "--json" && spec.takesJson) {
            cl.store.json = true;
        } else if (!optionsEnded && a == "--limit" && spec.takesLimit) {
            auto v = value();
            auto n = v ? parseCount(*v) : std::nullopt;
            if (!n)
                return error("--limit necesita un número entero no negativo");
            cl.store.limit = n;
        } else if (!optionsEnded && a == "--type" && spec.takesAddOptions) {
            auto v = value();
            if (!v)
                return error("--type necesita un tipo (text, code, link, image, file, color, screenshot)");
            cl.store.type = *v;
        } else if (!optionsEnded && a == "--type" && spec.takesExportOptions) {
            auto v = value();
            if (!v || v->empty())
                return error("--type necesita un tipo (text, code, link, image, file, color, screenshot)");
            for (std::size_t start = 0; start <= v->size();) {
                const auto comma = std::min(v->find(',', start), v->size());
                if (comma > start)
                    cl.store.kinds.push_back(v->substr(start, comma - start));
                start = comma + 1;
            }
        } else if (!optionsEnded && a == "--since" && spec.takesExportOptions) {
            auto v = value();
            if (!v)
                return error("--since necesita una fecha (2026-12-01, \"2026-12-01 09:30\") o una edad (7d, 12h, 30m)");
            cl.store.since = *v;
        } else if (!optionsEnded && a == "--all" && spec.kind == StoreCommand::Kind::Clear) {
            cl.store.all = true;
        } else if (!optionsEnded && a == "--image-folder" && spec.takesExportOptions) {
            cl.store.imageFolder = true;
        } else if (!optionsEnded && (a == "--lines" || a == "--null") && spec.takesAddOptions) {
            cl.store.separator = a == "--lines" ? '\n' : '\0';
        } else if (!optionsEnded && a == "--image" && spec.takesAddOptions) {
            auto v = value();
            if (!v)
                return error("--image necesita la ruta de un archivo");
            cl.store.imageFile = *v;
        } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            return error("opción desconocida para «" + name + "»: " + a);
        } else if (spec.argument != 0 && !cl.store.argument) {
            cl.store.argument = a;
        } else {
            return error("sobra un argumento para «" + name + "»: " + a);
        }
    }
    if (spec.argument == 1 && !cl.store.argument)
        return error("«" + name + "» necesita " + spec.argumentName);
    if (cl.store.imageFile && cl.store.argument)
        return error("«add» acepta un texto o --image, no ambos");
    if (cl.store.separator && (cl.store.imageFile || cl.store.argument))
        return error("--lines y --null leen los clips de la entrada estándar, sin texto ni --image");
    if (cl.store.imageFolder && (!cl.store.argument || *cl.store.argument == "-"))
        return error("--image-folder necesita el ARCHIVO de la exportación, junto al que va la carpeta");
    return cl;
}

/// A scale for «image ID resize»: 0.5 or 50%, above 0 and at most 1.
std::optional<double> parseScale(const std::string& s)
{
    const bool percent = s.ends_with('%');
    const std::string number = percent ? s.substr(0, s.size() - 1) : s;
    double v = 0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), v);
    if (number.empty() || ec != std::errc() || end != number.data() + number.size())
        return std::nullopt;
    if (percent)
        v /= 100;
    if (!(v > 0 && v <= 1))
        return std::nullopt;
    return v;
}

/// image ID compress | remove-background | resize SCALE | convert png|jpeg|tiff [--json]
CommandLine parseImageCommand(const std::vector<std::string>& args)
{
    using Op = StoreCommand::ImageAction::Op;
    CommandLine cl;
    cl.action = CommandLine::Action::Store;
    cl.store.kind = StoreCommand::Kind::Image;
    std::vector<std::string> words;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--json")
            cl.store.json = true;
        else if (args[i].size() > 1 && args[i][0] == '-' && !parseScale(args[i]))
            return error("opción desconocida para «image»: " + args[i]);
        else
            words.push_back(args[i]);
    }
    const std::string usage = "«image» necesita ID y compress, remove-background, resize ESCALA o convert png|jpeg|tiff";
    if (words.size() < 2)
        return error(usage);
    cl.store.argument = words[0];
    StoreCommand::ImageAction action;
    const std::string& op = words[1];
    std::size_t expected = 2;
    if (op == "compress") {
        action.op = Op::Compress;
    } else if (op == "remove-background") {
        action.op = Op::RemoveBackground;
    } else if (op == "resize") {
        expected = 3;
        if (words.size() < 3)
            return error("«image resize» necesita una escala entre 0 y 1 (0.5 o 50%)");
        auto scale = parseScale(words[2]);
        if (!scale)
            return error("escala no válida: «" + words[2] + "» (mayor que 0 y como mucho 1, como 0.5 o 50%)");
        action.op = Op::Resize;
        action.scale = *scale;
    } else if (op == "convert") {
        expected = 3;
        if (words.size() < 3 || (words[2] != "png" && words[2] != "jpeg" && words[2] != "tiff"))
            return error("formato no válido" + (words.size() < 3 ? std::string() : ": «" + words[2] + "»")
                         + " (png, jpeg o tiff)");
        action.op = Op::Convert;
        action.format = words[2];
    } else {
        return error(usage);
    }
    if (words.size() > expected)
        return error("sobra un argumento para «image»: " + words[expected]);
    cl.store.image = action;
    return cl;
}

/// pause [--for MINUTES] | resume.
CommandLine parsePauseCommand(const std::vector<std::string>& args)
{
    CommandLine cl;
    cl.action = CommandLine::Action::Remote;
    cl.remote.kind = args.front() == "pause" ? RemoteCommand::Kind::Pause : RemoteCommand::Kind::Resume;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (cl.remote.kind == RemoteCommand::Kind::Pause && args[i] == "--for" && cl.remote.minutes == 0) {
            const std::string value = i + 1 < args.size() ? args[++i] : std::string();
            auto n = parseCount(value);
            if (!n || *n < 1 || *n > static_cast<std::size_t>(CapturePause::kMaxMinutes))
                return error("«pause --for» necesita los minutos, un número entero de 1 a "
                             + std::to_string(CapturePause::kMaxMinutes) + (value.empty() ? "" : ", no «" + value + "»"));
            cl.remote.minutes = static_cast<int>(*n);
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return error("opción desconocida para «" + args.front() + "»: " + args[i]);
        } else {
            return error("sobra un argumento para «" + args.front() + "»: " + args[i]);
        }
    }
    return cl;
}

/// toggle, quick-note, bulk-copy, paste-slot N, settings, library: actions of the running Brisa.
std::optional<CommandLine> parseRemoteCommand(const std::vector<std::string>& args)
{
    using K = RemoteCommand::Kind;
    const auto* row = std::find_if(std::begin(kRemoteCommands), std::end(kRemoteCommands),
                                   [&](const RemoteCommandInfo& r) { return r.typed && args.front() == r.name; });
    if (row == std::end(kRemoteCommands))
        return std::nullopt;
    if (row->kind == K::Pause || row->kind == K::Resume)
        return parsePauseCommand(args);
    CommandLine cl;
    cl.action = CommandLine::Action::Remote;
    cl.remote.kind = row->kind;
    const std::size_t expected = row->kind == K::PasteSlot ? 2 : 1;
    if (args.size() != expected) {
        if (row->kind == K::PasteSlot && args.size() < 2)
            return error("«paste-slot» necesita un número del 0 al 9");
        return error("sobra un argumento para «" + args.front() + "»: " + args[expected]);
    }
    if (row->kind == K::PasteSlot) {
        auto n = parseCount(args[1]);
        if (!n || *n > 9)
            return error("«paste-slot» necesita un número del 0 al 9, no «" + args[1] + "»");
        cl.remote.slot = static_cast<int>(*n);
    }
    return cl;
}

/// remind ID WHEN | remind ID --clear.
CommandLine parseRemindCommand(const std::vector<std::string>& args)
{
    CommandLine cl;
    cl.action = CommandLine::Action::Store;
    cl.store.kind = StoreCommand::Kind::Remind;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const auto& a = args[i];
        if (!optionsEnded && a == "--")
            optionsEnded = true;
        else if (!optionsEnded && a == "--clear")
            cl.store.clear = true;
        else if (!optionsEnded && a.size() > 1 && a[0] == '-')
            return error("opción desconocida para «remind»: " + a);
        else
            positional.push_back(a);
    }
    if (positional.empty())
        return error("«remind» necesita ID y una fecha (\"2026-12-24 09:30\") o --clear");
    const std::size_t expected = cl.store.clear ? 1 : 2;
    if (positional.size() < expected)
        return error("«remind» necesita una fecha (\"2026-12-24 09:30\") o --clear");
    if (positional.size() > expected)
        return error("sobra un argumento para «remind»: " + positional[expected]);
    cl.store.argument = positional[0];
    if (!cl.store.clear)
        cl.store.when = positional[1];
    return cl;
}

/// snippet list [--json] | snippet add SHORTCUT [TEXT|-] | snippet remove SHORTCUT.
CommandLine parseSnippetCommand(const std::vector<std::string>& args)
{
    using K = SnippetCommand::Kind;
    static const std::map<std::string, K> kinds{{"list", K::List}, {"add", K::Add}, {"remove", K::Remove}};
    const std::string usage = "«snippet» necesita list, add ATAJO [TEXTO] o remove ATAJO";
    if (args.size() < 2)
        return error(usage);
    const auto kind = kinds.find(args[1]);
    if (kind == kinds.end())
        return error(usage);
    CommandLine cl;
    cl.action = CommandLine::Action::Snippet;
    cl.snippet.kind = kind->second;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const auto& a = args[i];
        if (!optionsEnded && a == "--")
            optionsEnded = true;
        else if (!optionsEnded && a == "--json" && kind->second == K::List)
            cl.snippet.json = true;
        else if (!optionsEnded && a.size() > 1 && a[0] == '-')
            return error("opción desconocida para «snippet " + args[1] + "»: " + a);
        else
            positional.push_back(a);
    }
    const std::size_t most = kind->second == K::List ? 0 : kind->second == K::Add ? 2 : 1;
    if (positional.size() > most)
        return error("sobra un argumento para «snippet " + args[1] + "»: " + positional[most]);
    if (kind->second != K::List) {
        if (positional.empty())
            return error("«snippet " + args[1] + "» necesita ATAJO");
        cl.snippet.shortcut = positional[0];
    }
    if (kind->second == K::Add && positional.size() == 2 && positional[1] != "-")
        cl.snippet.content = positional[1];
    return cl;
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    if (!args.empty())
        if (auto remote = parseRemoteCommand(args))
            return *remote;
    if (!args.empty() && args.front() == "remind")
        return parseRemindCommand(args);
    if (!args.empty() && args.front() == "snippet")
        return parseSnippetCommand(args);
    CommandLine cl;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto& a = args[i];
        if (a == "--version" || a == "-v") {
            cl.action = CommandLine::Action::Version;
        } else if (a == "--help" || a == "-h") {
            cl.action = CommandLine::Action::Help;
        } else if (a == "image" && i == 0) {
            return parseImageCommand(args);
        } else if (auto it = commands().find(a); it != commands().end() && i == 0) {
            return parseStoreCommand(a, it->second, args, i + 1);
        } else {
            return error(a.starts_with("-") ? "opción desconocida: " + a : "orden desconocida: " + a);
        }
    }
    return cl;
}

std::string helpText()
{
    return "Uso: brisa [opciones]\n"
           "       brisa ORDEN [argumentos]\n"
           "\n"
           "Brisa guarda el historial del portapapeles y lo devuelve con un panel,\n"
           "una biblioteca y atajos de teclado. Sin orden, arranca Brisa.\n"
           "\n"
           "Órdenes sobre el historial (funcionan también con Brisa en marcha):\n"
           "  history [--limit N] [--json]      los clips, del más nuevo al más antiguo\n"
           "  add [--type TIPO] [TEXTO]          guarda TEXTO (o la entrada estándar)\n"
           "  add --image ARCHIVO                guarda una imagen\n"
           "  add --lines | --null [--type TIPO] guarda un clip por línea (o por trozo acabado\n"
           "                                     en NUL) de la entrada estándar\n"
           "  search CONSULTA [--limit N] [--json]\n"
           "                                     busca; @tipo y @app filtran (@image, @firefox)\n"
           "  show ID [--json]                   muestra un clip\n"
           "  delete ID                          borra un clip y su imagen\n"
           "  pin ID | unpin ID                  marca o desmarca un clip como favorito\n"
           "  export [ARCHIVO] [--since CUÁNDO] [--type TIPO] [--image-folder]\n"
           "                                     escribe los clips como líneas JSON (o en la\n"
           "                                     salida estándar); imágenes en base64 o, con\n"
           "                                     --image-folder, en ARCHIVO.images\n"
           "  import ARCHIVO                     guarda los clips de una exportación; omite los\n"
           "                                     que ya están (mismo id o mismo contenido)\n"
           "  image ID compress | remove-background | resize ESCALA | convert png|jpeg|tiff [--json]\n"
           "                                     hace un clip nuevo con la imagen procesada\n"
           "  remind ID \"AAAA-MM-DD HH:MM\"      avisa del clip con una notificación a esa hora\n"
           "  remind ID --clear                  quita el recordatorio del clip\n"
           "  clear [--all]                      borra el historial menos los fijados (con\n"
           "                                     --all, también los fijados) y dice cuántos\n"
           "\n"
           "Órdenes sobre los snippets (el texto que sustituye a su atajo al escribirlo):\n"
           "  snippet list [--json]              los snippets, en su orden\n"
           "  snippet add ATAJO [TEXTO]          añade un snippet (sin TEXTO o con «-», el de la\n"
           "                                     entrada estándar); ATAJO empieza por «;»\n"
           "  snippet remove ATAJO               quita el snippet de ese atajo\n"
           "\n"
           "ID es el identificador del clip o un prefijo suyo que no se repita.\n"
           "CUÁNDO es una fecha (2026-12-01, \"2026-12-01 09:30\") o una edad (7d, 12h, 30m).\n"
           "\n"
           "Órdenes para el Brisa en marcha:\n"
           "  toggle                             abre o cierra el panel\n"
           "  library                            abre la biblioteca\n"
           "  quick-note                         abre Quick Note\n"
           "  bulk-copy                          activa o desactiva Bulk Copy\n"
           "  paste-slot N                       pega el clip N (0 es el más nuevo, hasta 9)\n"
           "  settings                           abre la ventana de ajustes\n"
           "  pause [--for MINUTOS]              deja de guardar lo que se copia (y las capturas\n"
           "                                     de pantalla) hasta «resume» o esos minutos\n"
           "  resume                             vuelve a guardar lo que se copia\n"
           "\n"
           "Opciones:\n"
           "  -h, --help       muestra esta ayuda y sale\n"
           "  -v, --version    muestra la versión y sale\n"
           "\n"
           "Códigos de salida: 0 bien, 1 clip no encontrado o fallo, 2 uso incorrecto,\n"
           "3 no se pudo abrir el historial, 4 Brisa no está en marcha, 5 importación\n"
           "incompleta (líneas rechazadas o interrumpida; lo demás quedó guardado).\n";
}

const RemoteCommandInfo& remoteCommandInfo(RemoteCommand::Kind kind)
{
    return kRemoteCommands[static_cast<std::size_t>(kind)];
}

} // namespace brisa
