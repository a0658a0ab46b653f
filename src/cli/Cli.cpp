#include "cli/Cli.h"

#include "base/Error.h"
#include "cli/CliUi.h"
#include "cli/TablePrinter.h"
#include "export/ExportRun.h"
#include "files/FileSystem.h"
#include "import/ImportRun.h"
#include "import/TimetableStep.h"
#include "run/HoraviaDirectory.h"
#include "run/RunMessages.h"

#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vinculor::cli {

namespace {

constexpr int kCompleted = 0;
constexpr int kFailed = 1;
constexpr int kInputMissing = 2;

constexpr const char* kUsage = "Uso:\n"
                               "  vinculor-cli exportar ARCHIVO.xml [--htemp DIR] [--json]\n"
                               "  vinculor-cli importar ARCHIVO.xml [--htemp DIR] [--json]\n"
                               "  vinculor-cli horario ARCHIVO.xml [--htemp DIR] [--json]\n"
                               "  vinculor-cli tabla ARCHIVO.DBF [--csv | --json]\n"
                               "  vinculor-cli --help | --version\n";

constexpr const char* kHelp =
    "Vinculor lleva los datos del horario de un centro entre Pincel-eKade y Horavia.\n"
    "\n"
    "Órdenes:\n"
    "  exportar ARCHIVO.xml   Lee el archivo XML de Pincel-eKade y escribe las tablas de Horavia\n"
    "                         (ASIGNOMT, PROFT, AULAT, GRUPOST, DIASHORAST, COUNTSES, ASIGT).\n"
    "  importar ARCHIVO.xml   Lee el horario calculado por Horavia (SOLUC) y escribe\n"
    "                         ResultadoHoravia<ARCHIVO>.xml junto al archivo de Pincel-eKade,\n"
    "                         y el horario para ver e imprimir, HorarioHoravia<ARCHIVO>.html.\n"
    "  horario ARCHIVO.xml    Vuelve a escribir HorarioHoravia<ARCHIVO>.html (tablas por grupo,\n"
    "                         profesor y aula, y su comprobación) sin tocar el resultado XML.\n"
    "  tabla ARCHIVO.DBF      Muestra una tabla dBase: sus campos y sus registros.\n"
    "\n"
    "Opciones:\n"
    "  --htemp DIR   Directorio de Horavia. Sin ella, el de la variable VINCULOR_HTEMP;\n"
    "                sin esta, HTEMP en la raíz de la unidad actual.\n"
    "  --json        Resumen (exportar, importar, horario) o tabla en formato JSON.\n"
    "  --csv         Tabla en formato CSV.\n"
    "  --help        Esta ayuda.   --version   La versión.\n"
    "  --            Lo que sigue no son opciones (para archivos cuyo nombre empieza por '-').\n"
    "\n"
    "Estado de salida: 0 terminado, 2 falta el archivo XML o la solución, 1 error.\n"
    "\n"
    "Ejemplos:\n"
    "  vinculor-cli exportar centro.xml --htemp /srv/horavia/HTEMP\n"
    "  VINCULOR_HTEMP=/srv/horavia/HTEMP vinculor-cli importar centro.xml --json\n"
    "  vinculor-cli tabla /srv/horavia/HTEMP/SOLUC.DBF --csv > soluc.csv\n";

struct Arguments {
    std::string command;
    std::vector<std::string> positional;
    std::optional<std::string> htemp;
    bool json = false;
    bool csv = false;
};

struct UsageError {
    std::string message;
};

Arguments parse(int argc, char** argv) {
    Arguments args;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--htemp") {
            if (i + 1 >= argc) {
                throw UsageError{"Falta el directorio tras --htemp."};
            }
            args.htemp = argv[++i];
        } else if (!optionsEnded && arg.rfind("--htemp=", 0) == 0) {
            args.htemp = arg.substr(8);
        } else if (!optionsEnded && arg == "--json") {
            args.json = true;
        } else if (!optionsEnded && arg == "--csv") {
            args.csv = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h" || arg == "--version")) {
            args.command = arg;
            return args;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            throw UsageError{"Opción desconocida: " + arg};
        } else if (args.command.empty()) {
            args.command = arg;
        } else {
            args.positional.push_back(arg);
        }
    }
    return args;
}

// What a run put right before it failed is not lost with its summary.
void reportRecovered(std::ostream& err, const RunSummary& summary) {
    for (const std::string& line : summary.recovered) {
        err << line << "\n";
    }
}

int runConversion(const Arguments& args, std::ostream& out, std::ostream& err, bool errIsTerminal) {
    RunState state;
    std::error_code ec;
    const std::filesystem::path dir = args.htemp ? files::fromUtf8(*args.htemp) : horaviaDirectory();
    const std::filesystem::path absoluteDir = std::filesystem::absolute(dir, ec);
    state.horaviaDir = ec ? dir : absoluteDir;
    state.tables.bindAll(state.horaviaDir);

    const std::filesystem::path file = std::filesystem::absolute(files::fromUtf8(args.positional[0]), ec);
    CliUi ui(files::toUtf8(ec ? files::fromUtf8(args.positional[0]) : file), args.json ? err : out,
             errIsTerminal && !args.json ? &err : nullptr);

    if (args.command == "horario") {
        RunOutcome written = RunOutcome::Completed;
        try {
            written = importing::runTimetable(ec ? files::fromUtf8(args.positional[0]) : file,
                                              state.horaviaDir, state.summary);
        } catch (const Error& e) {
            reportRecovered(err, state.summary);
            throw Error(std::string(e.what()) + "\n" + errorDetails({}, e.kind()));
        } catch (...) {
            reportRecovered(err, state.summary);
            throw;
        }
        if (written == RunOutcome::InputMissing) {
            const std::filesystem::path school = ec ? files::fromUtf8(args.positional[0]) : file;
            ui.showMessage("No existe archivo XML o Solución.",
                           missingImportInputDetails(files::toUtf8(school), files::isRegularFile(school),
                                                     state.horaviaDir));
            return kInputMissing;
        }
        out << (args.json ? state.summary.toJson() : state.summary.toText());
        return kCompleted;
    }
    RunOutcome outcome = RunOutcome::Completed;
    try {
        outcome =
            args.command == "exportar" ? exporting::runExport(state, ui) : importing::runImport(state, ui);
    } catch (const Error& e) {
        ui.endProgress();
        reportRecovered(err, state.summary);
        throw Error(std::string(e.what()) + "\n" + errorDetails(ui.lastStep(), e.kind()));
    } catch (...) {
        ui.endProgress();
        reportRecovered(err, state.summary);
        throw;
    }
    ui.endProgress();
    if (outcome == RunOutcome::InputMissing) {
        return kInputMissing;
    }
    out << (args.json ? state.summary.toJson() : state.summary.toText());
    return kCompleted;
}

// `converted`: a conversion completed, and its files are written.
int runCommand(int argc, char** argv, std::ostream& out, std::ostream& err, bool errIsTerminal,
               bool& converted) {
    Arguments args;
    try {
        args = parse(argc, argv);
        if (args.command == "--help" || args.command == "-h") {
            out << kHelp << "\n" << kUsage;
            return kCompleted;
        }
        if (args.command == "--version") {
            out << "vinculor-cli " << VINCULOR_VERSION << "\n";
            return kCompleted;
        }
        const bool conversion =
            args.command == "exportar" || args.command == "importar" || args.command == "horario";
        if (!conversion && args.command != "tabla") {
            throw UsageError{args.command.empty() ? "Falta la orden." : "Orden desconocida: " + args.command};
        }
        if (args.positional.size() != 1) {
            throw UsageError{args.positional.empty() ? "Falta el archivo." : "Sobran argumentos."};
        }
        if (args.csv && args.json) {
            throw UsageError{"--csv y --json no van juntas."};
        }
        if (conversion && args.csv) {
            throw UsageError{"--csv solo vale para la orden tabla."};
        }
        if (!conversion && args.htemp) {
            throw UsageError{"--htemp no vale para la orden tabla."};
        }
    } catch (const UsageError& e) {
        err << e.message << "\n" << kUsage;
        return kFailed;
    }

    try {
        if (args.command == "tabla") {
            printTable(files::fromUtf8(args.positional[0]),
                       args.json ? TableFormat::Json : (args.csv ? TableFormat::Csv : TableFormat::Text),
                       out);
            return kCompleted;
        }
        const int status = runConversion(args, out, err, errIsTerminal);
        converted = status == kCompleted;
        return status;
    } catch (const Error& e) {
        err << e.what() << "\n";
    } catch (const std::filesystem::filesystem_error& e) {
        // The file layer speaks Spanish; this is for a file operation that slipped past it.
        err << "No se puede acceder al archivo «" << files::toUtf8(e.path1())
            << "»: " << files::reasonText(e.code().value()) << ".\n";
    } catch (const std::bad_alloc&) {
        err << "No hay memoria suficiente para terminar la orden.\n";
    } catch (const std::exception& e) {
        err << "Error inesperado: " << e.what() << "\n";
    }
    return kFailed;
}

} // namespace

int run(int argc, char** argv, std::ostream& out, std::ostream& err, bool errIsTerminal) {
    bool converted = false;
    const int status = runCommand(argc, argv, out, err, errIsTerminal, converted);
    // A summary, a table or the help that never reached its file is no success;
    // a failure already reported keeps its status.
    if (!out.flush()) {
        err << "No se ha podido escribir la salida de vinculor-cli (¿disco lleno, o el archivo o la tubería "
               "de destino ya no están?).";
        if (converted) {
            err << " La conversión sí ha terminado y sus archivos están escritos: solo se ha perdido su "
                   "resumen.";
        }
        err << "\n";
        return status == kCompleted ? kFailed : status;
    }
    return status;
}

} // namespace vinculor::cli
