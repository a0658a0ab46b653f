// Bad inputs of every kind, each run through the command line in-process
// (the settings-file rows through its own edit), and again through the run
// itself as the window calls it: every row ends in its message, or in the
// outcome written beside it, never in a crash, and loses nothing: a run that
// fails leaves the work folder and the Horavia directory byte for byte as
// they were, and no table open.
#include "ReliabilitySupport.h"
#include "SimuladorHoravia.h"
#include "base/ByteOrder.h"
#include "base/Error.h"
#include "export/ExportRun.h"
#include "files/DirectoryLock.h"
#include "files/FileSystem.h"
#include "files/IniFile.h"
#include "files/TableLock.h"
#include "import/ImportRun.h"
#include "import/SolucSchema.h"
#include "support/RunCli.h"
#include "support/ScriptedUi.h"
#include "support/TableDump.h"
#include "xml/XmlFamilies.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sstream>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vinculor {
namespace {

namespace fs = std::filesystem;
using files::FaultInjection;
using testing::readText;
using testing::snapshot;
using testing::TempDir;
using testing::writeText;

enum class Command { Exportar, Importar, Ini };

// Another program holding a table: a child process that takes the table's
// lock and keeps it until this object goes. On Windows the lock is the table
// opened without sharing, which Windows refuses to any other opening, from
// this process or another: holding it here is the same as another program.
#ifdef _WIN32
class OtherProgram {
public:
    explicit OtherProgram(const fs::path& table) : held_(TableLock::acquire(table, "OTRA")) {}

private:
    TableLock held_;
};
#else
class OtherProgram {
public:
    explicit OtherProgram(const fs::path& table) {
        int ready[2];
        int done[2];
        if (::pipe(ready) != 0 || ::pipe(done) != 0) {
            throw std::runtime_error("pipe");
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(done[1]);
            char c = 0;
            try {
                TableLock held = TableLock::acquire(table, "OTRA");
                c = 1;
                (void)!::write(ready[1], &c, 1);
                (void)!::read(done[0], &c, 1); // until the parent closes its end
            } catch (...) {
                (void)!::write(ready[1], &c, 1);
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(done[0]);
        done_ = done[1];
        char c = 0;
        const bool holding = ::read(ready[0], &c, 1) == 1 && c == 1;
        ::close(ready[0]);
        if (!holding) {
            throw std::runtime_error("the other program could not take the lock");
        }
    }
    ~OtherProgram() {
        ::close(done_);
        ::waitpid(pid_, nullptr, 0);
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

private:
    pid_t pid_ = -1;
    int done_ = -1;
};
#endif

// The school's file in a work folder, and a Horavia directory holding the
// tables of an export of the example school and a solution for them.
struct Bench {
    TempDir work;
    TempDir htemp;
    fs::path school = work / "centro.xml";
    fs::path output = work / "ResultadoHoraviacentro.xml";
    fs::path ini = work / "Horavia.ini";
    fs::path horavia = htemp.path(); // what the run is given as the Horavia directory
    std::optional<DirectoryLock> otherRun;
    std::unique_ptr<OtherProgram> otherProgram;
    fs::path heldTable;

    void holdTable(const fs::path& table) {
        heldTable = table;
        otherProgram = std::make_unique<OtherProgram>(table);
    }
    // Windows refuses to read a file that another program holds (the table,
    // or another run's lock file): a snapshot is taken while they let go.
    std::map<std::string, std::string> snapshotWhileLetGo(const fs::path& dir) {
        const bool run = otherRun.has_value();
        const bool program = otherProgram != nullptr;
        otherRun.reset();
        otherProgram.reset();
        std::map<std::string, std::string> files = snapshot(dir);
        if (run) {
            otherRun.emplace(horavia);
        }
        if (program) {
            otherProgram = std::make_unique<OtherProgram>(heldTable);
        }
        return files;
    }

    Bench() {
        testing::copyInto(prepared(), htemp.path());
        fs::copy_file(testing::exampleSchool(), school);
        writeText(ini, "[Horavia]\r\nRuta=C:\\HTEMP\r\n[Transformadores]\r\nTransformado=1\r\n");
    }
    ~Bench() { FaultInjection::disarm(); }

    static const fs::path& prepared() {
        static const TempDir dir;
        static const bool done = [] {
            testing::exportInto(testing::exampleSchool(), dir.path());
            simulador::simularHorario(dir.path());
            return true;
        }();
        (void)done;
        return dir.path();
    }

    // The records of the prepared SOLUC.
    static std::size_t solucRecords() {
        static const std::size_t n = testing::dumpRows(prepared(), "SOLUC").size();
        return n;
    }

    static const std::string& example() {
        static const std::string bytes = readText(testing::exampleSchool());
        return bytes;
    }

    fs::path soluc() const { return htemp / "SOLUC.DBF"; }

    // Changes the bytes of a file.
    static void damage(const fs::path& file, const std::function<void(std::string&)>& change) {
        std::string bytes = readText(file);
        change(bytes);
        writeText(file, bytes);
    }
};

// A document with the root "Centro" and its four attributes around `body`.
std::string centro(const std::string& body, const std::string& prolog = "") {
    return prolog + "<Centro Codigo=\"35000001\" Nombre=\"IES\" CursoEscolar=\"2026/2027\" Version=\"3.2\">" +
           body + "</Centro>";
}

std::string repeated(const std::string& text, int times) {
    std::string out;
    out.reserve(text.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Little-endian 16 and 32-bit numbers in header bytes.
using bytes::le16;
using bytes::putLe16;
using bytes::putLe32;

// SOLUC as the simulator writes it: a 405-byte level-7 header (7 descriptors of
// 48 bytes from byte 68, the terminator at 404), records of 59 bytes.
constexpr std::size_t kSolucHeader = 405;
constexpr std::size_t kSolucRecord = 59;
constexpr std::size_t descriptorAt(std::size_t field) {
    return 68 + 48 * field;
}

// SOLUC with DIA and HORA as numeric text fields (N 18.8), one lesson, whose
// DIA and HORA bytes then read `dia` and `hora`.
void numericSoluc(const Bench& b, const std::string& dia, const std::string& hora) {
    const auto first = testing::dumpRows(b.htemp.path(), "SOLUC").front();
    std::vector<std::string> record;
    std::stringstream fields(first);
    for (std::string value; std::getline(fields, value, '|');) {
        record.push_back(value);
    }
    testing::createTable(b.htemp.path(), "SOLUC", importing::solucSchema(FieldType::Float, FieldType::Float),
                         {record});
    Bench::damage(b.soluc(), [&](std::string& s) {
        const std::size_t record0 = le16(s, 8);
        s.replace(record0 + 21, 18, std::string(18 - dia.size(), ' ') + dia);
        s.replace(record0 + 39, 18, std::string(18 - hora.size(), ' ') + hora);
    });
}

std::vector<std::string> column(const Bench& b, const std::string& table, const std::string& field) {
    return testing::dumpRows(b.horavia, table, {field});
}

std::size_t activities(const Bench& b) {
    return XmlFamilies::read(b.output, {{"/Centro/horario/actividad", {}}})
        .selectNodes("/Centro/horario/actividad")
        .size();
}

struct BadInput {
    const char* fault;
    Command command;
    std::function<void(Bench&)> make;
    int status; // of the command line: 0 done, 1 error, 2 input missing
    // Printed; {xml}, {htemp}, {ini} and {out} stand for the paths, {/} for
    // the system's path separator, {n} for the number of records of the
    // prepared SOLUC and {n+1} for one more.
    std::string message;
    // For a run that completes: what it must have left.
    std::function<void(const Bench&)> outcome = {};
};

void PrintTo(const BadInput& row, std::ostream* os) {
    *os << row.fault;
}

const std::vector<BadInput>& rows() {
    static const std::vector<BadInput> table = {
        // The school's file.
        {"archivo XML vacío", Command::Exportar, [](Bench& b) { writeText(b.school, ""); }, 1,
         "El archivo «{xml}» no es un documento XML válido: el documento no tiene elemento raíz"},
        {"solo espacios en blanco", Command::Exportar, [](Bench& b) { writeText(b.school, " \r\n\t\n"); }, 1,
         "El archivo «{xml}» no es un documento XML válido: el documento no tiene elemento raíz"},
        {"solo la declaración XML", Command::Exportar,
         [](Bench& b) { writeText(b.school, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"); }, 1,
         "El archivo «{xml}» no es un documento XML válido: el documento no tiene elemento raíz"},
        {"truncado a la mitad", Command::Exportar,
         [](Bench& b) { writeText(b.school, Bench::example().substr(0, Bench::example().size() / 2)); }, 1,
         "El archivo «{xml}» no es un documento XML válido: "},
        {"truncado dentro de un atributo", Command::Exportar,
         [](Bench& b) { writeText(b.school, "<Centro Codigo=\"3800"); }, 1,
         "El archivo «{xml}» no es un documento XML válido: el documento termina dentro de una etiqueta o "
         "declaración (línea 1, columna"},
        {"etiqueta de cierre que no corresponde", Command::Exportar,
         [](Bench& b) { writeText(b.school, centro("<Materias></Aulas>")); }, 1,
         "El archivo «{xml}» no es un documento XML válido: la etiqueta de cierre no corresponde a la de "
         "apertura"},
        {"atributo sin comillas", Command::Exportar,
         [](Bench& b) { writeText(b.school, "<Centro Codigo=38001/>"); }, 1,
         "El archivo «{xml}» no es un documento XML válido: contiene un carácter no permitido o mal colocado "
         "(línea 1, columna 16)."},
        {"dos elementos raíz", Command::Exportar,
         [](Bench& b) { writeText(b.school, centro("") + "\n" + centro("")); }, 1,
         "El archivo «{xml}» no es un documento XML válido: hay contenido después del elemento raíz (un "
         "documento tiene un solo elemento raíz) (línea 2, columna 1)."},
        {"raíz que no es Centro", Command::Exportar, [](Bench& b) { writeText(b.school, "<Horario/>"); }, 1,
         "El archivo «{xml}» no es un archivo de datos de Pincel-eKade: su elemento raíz es «Horario» y no "
         "«Centro»."},
        {"raíz Centro con prefijo de espacio de nombres", Command::Exportar,
         [](Bench& b) { writeText(b.school, "<p:Centro xmlns:p=\"urn:pincel\"/>"); }, 1,
         "su elemento raíz es «p:Centro» y no «Centro»."},
        {"declara UTF-8 y trae ISO-8859-1", Command::Exportar,
         [](Bench& b) {
             writeText(b.school, replaced(Bench::example(), "encoding=\"ISO-8859-1\"", "encoding=\"UTF-8\""));
         },
         1,
         "El archivo «{xml}» no es un documento XML válido: contiene bytes que no corresponden a su "
         "codificación (línea 2, columna 15)"},
        {"sin declaración y en ISO-8859-1", Command::Exportar,
         [](Bench& b) { writeText(b.school, Bench::example().substr(Bench::example().find('\n') + 1)); }, 1,
         "contiene bytes que no corresponden a su codificación (línea 1, columna 15)"},
        {"declara ISO-8859-1 y trae UTF-8", Command::Exportar,
         [](Bench& b) {
             writeText(b.school, centro("<Materias><Materia Codigo=\"MAT\" Denominacion=\"Matemáticas\"/>"
                                        "<Materia Codigo=\"LCL\" Denominacion=\"Lengua\"/></Materias>",
                                        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"));
         },
         0, "Proceso finalizado",
         // Nothing tells the two apart: each accented letter arrives as two.
         [](const Bench& b) {
             EXPECT_EQ(column(b, "ASIGNOMT", "NOMBRE"), (std::vector<std::string>{"MatemÃ¡ticas", "Lengua"}));
         }},
        {"declara UTF-16 sin marca de orden de bytes", Command::Exportar,
         [](Bench& b) { writeText(b.school, centro("", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>")); }, 1,
         "El archivo «{xml}» no es un documento XML válido: la codificación que declara no corresponde a los "
         "bytes del archivo (línea 1, columna 31)."},
        {"codificación no admitida", Command::Exportar,
         [](Bench& b) { writeText(b.school, centro("", "<?xml version=\"1.0\" encoding=\"EBCDIC-US\"?>")); },
         1,
         "El archivo «{xml}» usa la codificación «EBCDIC-US», que no está admitida (se admiten UTF-8, "
         "UTF-16, US-ASCII, ISO-8859-1, ISO-8859-15 y windows-1252)."},
        {"UTF-16 con un número impar de bytes", Command::Exportar,
         [](Bench& b) { writeText(b.school, std::string("\xFF\xFE<\0C\0e", 7)); }, 1,
         "El archivo «{xml}» no es un documento XML válido: el documento termina dentro de una etiqueta o "
         "declaración (línea 1, columna 2)."},
        {"UTF-16 con un sustituto sin pareja", Command::Exportar,
         [](Bench& b) {
             writeText(b.school, std::string("\xFF\xFE<\0\x00\xD8"
                                             "C\0",
                                             8));
         },
         1,
         "El archivo «{xml}» no es un documento XML válido: contiene un carácter no permitido, mal colocado "
         "o "
         "que no corresponde a su codificación (línea 1, columna 3)."},
        {"byte nulo dentro del documento", Command::Exportar,
         [](Bench& b) { writeText(b.school, centro(std::string("<Materias>\0</Materias>", 22))); }, 1,
         "El archivo «{xml}» no es un documento XML válido: "},
        {"bytes FF FE a mitad de un documento UTF-8", Command::Exportar,
         [](Bench& b) { writeText(b.school, centro("<Materias>\xFF\xFE</Materias>")); }, 1,
         "contiene bytes que no corresponden a su codificación (línea 1, columna 89)"},
        {"secuencia UTF-8 sobrelarga", Command::Exportar,
         [](Bench& b) { writeText(b.school, centro("<Materias Nota=\"\xC0\xAF\"/>")); }, 1,
         "contiene bytes que no corresponden a su codificación (línea 1, columna 95)"},
        {"sustituto escrito en UTF-8", Command::Exportar,
         [](Bench& b) { writeText(b.school, centro("<Materias Nota=\"\xED\xA0\x80\"/>")); }, 1,
         "contiene bytes que no corresponden a su codificación (línea 1, columna 95)"},
        {"entidades internas anidadas (mil millones de risas)", Command::Exportar,
         [](Bench& b) {
             std::string dtd = "<!DOCTYPE Centro [<!ENTITY r0 \"ja\">";
             for (int i = 1; i <= 9; ++i) {
                 dtd += "<!ENTITY r" + std::to_string(i) + " \"" +
                        repeated("&r" + std::to_string(i - 1) + ";", 10) + "\">";
             }
             writeText(b.school, centro("<Materias><Materia Codigo=\"A\" Denominacion=\"&r9;\"/>"
                                        "<Materia Codigo=\"B\" Denominacion=\"x\"/></Materias>",
                                        dtd + "]>"));
         },
         1,
         "El archivo «{xml}» no es un documento XML válido: sus entidades se expanden a un texto desmesurado "
         "(se rechaza para no agotar la memoria)"},
        {"entidad externa que nombra un archivo local", Command::Exportar,
         [](Bench& b) {
             writeText(b.work / "secreto.txt", "SECRETO");
             writeText(b.school, centro("<Materias><Materia Codigo=\"A\" Denominacion=\"&xxe;\"/>"
                                        "<Materia Codigo=\"B\" Denominacion=\"x\"/></Materias>",
                                        "<!DOCTYPE Centro [<!ENTITY xxe SYSTEM \"file://" +
                                            (b.work / "secreto.txt").string() + "\">]>"));
         },
         // Never read: in an attribute value an external entity is not well-formed.
         1,
         "El archivo «{xml}» no es un documento XML válido: el valor de un atributo usa una entidad externa"},
        {"entidad externa de parámetro en la red", Command::Exportar,
         [](Bench& b) {
             // 192.0.2.1 is reserved for documentation: a fetch would hang until it timed out.
             writeText(
                 b.school,
                 centro("<Aulas><Aula Codigo=\"A1\"/><Aula Codigo=\"A2\"/></Aulas>",
                        "<!DOCTYPE Centro [<!ENTITY % ext SYSTEM \"http://192.0.2.1/ext.dtd\"> %ext;]>"));
         },
         0, "Proceso finalizado",
         [](const Bench& b) {
             EXPECT_EQ(column(b, "AULAT", "ABREV"), (std::vector<std::string>{"A1", "A2"}));
         }},
        {"DOCTYPE sin cerrar", Command::Exportar,
         [](Bench& b) { writeText(b.school, "<!DOCTYPE Centro [<!ENTITY e \"x\">" + centro("")); }, 1,
         "El archivo «{xml}» no es un documento XML válido: error de sintaxis antes del elemento raíz (línea "
         "1, "
         "columna 34)."},
        {"nombre de 10.000 caracteres", Command::Exportar,
         [](Bench& b) {
             writeText(b.school,
                       centro("<Materias><Materia Codigo=\"MAT\" Denominacion=\"" + std::string(10000, 'n') +
                              "\"/><Materia Codigo=\"LCL\" Denominacion=\"Lengua\"/></Materias>"));
         },
         0, "Proceso finalizado",
         // Cut to the field's 80 characters.
         [](const Bench& b) {
             EXPECT_EQ(column(b, "ASIGNOMT", "NOMBRE"),
                       (std::vector<std::string>{std::string(80, 'n'), "Lengua"}));
         }},
        {"código de 10.000 caracteres", Command::Exportar,
         [](Bench& b) {
             writeText(b.school, centro("<Aulas><Aula Codigo=\"" + std::string(9998, 'c') +
                                        "01\"/><Aula Codigo=\"A2\"/>"
                                        "</Aulas>"));
         },
         0, "Proceso finalizado",
         // Shortened as every long code is, and cut to the field in the administration's code.
         [](const Bench& b) {
             EXPECT_EQ(testing::dumpRows(b.horavia, "AULAT", {"ABREV", "ABREV_GESTION"}),
                       (std::vector<std::string>{"cccccccc01|" + std::string(20, 'c'), "A2|A2"}));
         }},
        {"100.000 materias", Command::Exportar,
         [](Bench& b) {
             std::string body = "<Materias>";
             for (int i = 0; i < 100000; ++i) {
                 body += "<Materia Codigo=\"M" + std::to_string(i) + "\" Denominacion=\"Materia " +
                         std::to_string(i) + "\"/>";
             }
             writeText(b.school, centro(body + "</Materias>"));
         },
         0, "ASIGNOMT: 100000 registros",
         [](const Bench& b) {
             const auto codes = column(b, "ASIGNOMT", "COD");
             ASSERT_EQ(codes.size(), 100000u);
             EXPECT_EQ(codes.back(), "M99999");
         }},
        {"100.000 elementos anidados", Command::Exportar,
         [](Bench& b) {
             writeText(b.school, centro(repeated("<Materias>", 100000) + repeated("</Materias>", 100000)));
         },
         // Read without harm, and refused: none of it is school data.
         1, "no tiene datos del centro"},
        {"horas que no son un número", Command::Exportar,
         [](Bench& b) {
             writeText(b.school, replaced(Bench::example(), "Horas=\"01,00\"", "Horas=\"uno\""));
         },
         1, "'uno' is not a valid floating point value"},
        {"día de sesión que no existe", Command::Exportar,
         [](Bench& b) { writeText(b.school, replaced(Bench::example(), "Dia=\"J\"", "Dia=\"Q\"")); }, 1,
         "Día de sesión no válido: 'Q'"},
        {"el archivo XML es un directorio", Command::Exportar,
         [](Bench& b) {
             fs::remove(b.school);
             fs::create_directory(b.school);
         },
         2, "No existe archivo"},
        {"falta el archivo XML", Command::Exportar, [](Bench& b) { fs::remove(b.school); }, 2,
         "No existe archivo"},

        // The Horavia directory, for an export.
        {"no existe el directorio de Horavia", Command::Exportar,
         [](Bench& b) { b.horavia = b.htemp / "NO-EXISTE"; }, 1,
         "No existe el directorio de Horavia «{htemp}»."},
        {"el directorio de Horavia es un archivo", Command::Exportar,
         [](Bench& b) {
             b.horavia = b.htemp / "HTEMP";
             writeText(b.horavia, "un archivo");
         },
         1, "«{htemp}» no es un directorio: no puede ser el directorio de Horavia."},
        {"no se puede escribir en el directorio de Horavia (fallo inyectado)", Command::Exportar,
         // The first operation is the recovery's flush of the directory, which may fail.
         [](Bench&) { FaultInjection::failOperation(2); }, 1,
         "No se puede crear la carpeta «.vinculor-exportando-"},
        {"otra conversión trabaja en el directorio de Horavia", Command::Exportar,
         [](Bench& b) { b.otherRun.emplace(b.horavia); }, 1,
         "Otra conversión de Vinculor está trabajando en el directorio de Horavia «{htemp}». Espere a que "
         "termine y vuelva a intentarlo."},
        {"otro programa tiene abierta PROFT", Command::Exportar,
         [](Bench& b) { b.holdTable(b.htemp / "PROFT.DBF"); }, 1,
         "La tabla PROFT está en uso por otro programa (archivo «{htemp}{/}PROFT.DBF»): ciérrela en Horavia"},
        {"un directorio ocupa el nombre de ASIGT", Command::Exportar,
         [](Bench& b) {
             fs::remove(b.htemp / "ASIGT.DBF");
             fs::create_directory(b.htemp / "ASIGT.DBF");
         },
         1, "No se puede sustituir el archivo «{htemp}{/}ASIGT.DBF»: es un directorio."},

        // Horavia's solution and the export's tables, for an import.
        {"SOLUC vacía", Command::Importar, [](Bench& b) { writeText(b.soluc(), ""); }, 1,
         "La tabla SOLUC («{htemp}{/}SOLUC.DBF») está dañada: el archivo está vacío."},
        {"SOLUC cortada en la cabecera fija", Command::Importar,
         [](Bench& b) { Bench::damage(b.soluc(), [](std::string& s) { s.resize(20); }); }, 1,
         "La tabla SOLUC («{htemp}{/}SOLUC.DBF») está dañada: el archivo es demasiado corto para ser una "
         "tabla "
         "dBase."},
        {"SOLUC cortada en los descriptores de campo", Command::Importar,
         [](Bench& b) { Bench::damage(b.soluc(), [](std::string& s) { s.resize(200); }); }, 1,
         "está dañada: la cabecera (405 bytes) es más larga que el archivo (200 bytes)."},
        {"SOLUC cortada a mitad de los registros", Command::Importar,
         [](Bench& b) {
             Bench::damage(b.soluc(),
                           [](std::string& s) { s.resize(kSolucHeader + 10 * kSolucRecord + 30); });
         },
         1, "está dañada: la cabecera indica {n} registros y el archivo solo contiene 10."},
        {"cabecera de SOLUC más larga que el archivo", Command::Importar,
         [](Bench& b) { Bench::damage(b.soluc(), [](std::string& s) { putLe16(s, 8, 0xFFFF); }); }, 1,
         "está dañada: la cabecera (65535 bytes) es más larga que el archivo"},
        {"SOLUC dice tener más registros de los que tiene", Command::Importar,
         [](Bench& b) {
             Bench::damage(b.soluc(), [](std::string& s) { putLe32(s, 4, Bench::solucRecords() + 1); });
         },
         1, "está dañada: la cabecera indica {n+1} registros y el archivo solo contiene {n}."},
        {"número de registros de SOLUC que daría la vuelta", Command::Importar,
         [](Bench& b) { Bench::damage(b.soluc(), [](std::string& s) { putLe32(s, 4, 0xFFFFFFFF); }); }, 1,
         "está dañada: la cabecera indica 4294967295 registros y el archivo solo contiene {n}."},
        {"descriptores de campo de SOLUC sin terminador", Command::Importar,
         [](Bench& b) { Bench::damage(b.soluc(), [](std::string& s) { s[kSolucHeader - 1] = 'X'; }); }, 1,
         "está dañada: la lista de campos no termina dentro de la cabecera."},
        {"versión de dBase desconocida", Command::Importar,
         [](Bench& b) { Bench::damage(b.soluc(), [](std::string& s) { s[0] = 0x07; }); }, 1,
         "La tabla SOLUC («{htemp}{/}SOLUC.DBF») está dañada: no es una tabla dBase (byte de versión 0x07 "
         "desconocido)."},
        {"campo de SOLUC de tipo desconocido", Command::Importar,
         [](Bench& b) { Bench::damage(b.soluc(), [](std::string& s) { s[descriptorAt(2) + 32] = 'Z'; }); }, 1,
         "está dañada: el campo DIA es de un tipo desconocido (0x5A)."},
        {"campo entero de SOLUC con una anchura imposible", Command::Importar,
         [](Bench& b) { Bench::damage(b.soluc(), [](std::string& s) { s[descriptorAt(2) + 33] = 2; }); }, 1,
         "está dañada: el campo DIA tiene una anchura imposible (2)."},
        {"longitud de registro de SOLUC cero", Command::Importar,
         [](Bench& b) { Bench::damage(b.soluc(), [](std::string& s) { putLe16(s, 10, 0); }); }, 1,
         "está dañada: la longitud de registro es cero."},
        {"campo numérico DIA con letras", Command::Importar, [](Bench& b) { numericSoluc(b, "ab", "1"); }, 1,
         "'ab' is not a valid integer value"},
        {"campo numérico HORA con letras", Command::Importar, [](Bench& b) { numericSoluc(b, "1", "1x"); }, 1,
         "'1x' is not a valid floating point value"},
        {"todos los registros de SOLUC borrados", Command::Importar,
         [](Bench& b) {
             Bench::damage(b.soluc(), [](std::string& s) {
                 for (std::size_t r = 0; r < Bench::solucRecords(); ++r) {
                     s[kSolucHeader + r * kSolucRecord] = '*';
                 }
             });
         },
         0, "Registros de SOLUC: 0\nActividades escritas: 0 (0 clases, 0 tareas)",
         [](const Bench& b) { EXPECT_EQ(activities(b), 0u); }},
        {"SOLUC sin el campo DIA", Command::Importar,
         [](Bench& b) { Bench::damage(b.soluc(), [](std::string& s) { s[descriptorAt(2)] = 'X'; }); }, 1,
         "La tabla SOLUC no tiene el campo DIA"},
        {"tabla PROFT dañada", Command::Importar,
         [](Bench& b) { Bench::damage(b.htemp / "PROFT.DBF", [](std::string& s) { s[0] = 0x07; }); }, 1,
         "La tabla PROFT («{htemp}{/}PROFT.DBF») está dañada: no es una tabla dBase (byte de versión 0x07 "
         "desconocido)."},
        {"falta la tabla AULAT", Command::Importar, [](Bench& b) { fs::remove(b.htemp / "AULAT.DBF"); }, 1,
         "No existe la tabla AULAT en «{htemp}»."},
        {"SOLUC es un directorio", Command::Importar,
         [](Bench& b) {
             fs::remove(b.soluc());
             fs::create_directory(b.soluc());
         },
         2, "No existe archivo XML o Solución."},
        {"falta SOLUC", Command::Importar, [](Bench& b) { fs::remove(b.soluc()); }, 2,
         "No existe archivo XML o Solución."},
        {"no existe el directorio de Horavia al importar", Command::Importar,
         [](Bench& b) { b.horavia = b.htemp / "NO-EXISTE"; }, 2, "No existe archivo XML o Solución."},
        {"otro programa tiene abierta SOLUC", Command::Importar, [](Bench& b) { b.holdTable(b.soluc()); }, 1,
         "La tabla SOLUC está en uso por otro programa (archivo «{htemp}{/}SOLUC.DBF»): ciérrela en Horavia"},
        {"otra conversión trabaja en el directorio al importar", Command::Importar,
         [](Bench& b) { b.otherRun.emplace(b.horavia); }, 1,
         "Otra conversión de Vinculor está trabajando en el directorio de Horavia «{htemp}»."},
        {"el documento de Pincel-eKade no tiene Version", Command::Importar,
         [](Bench& b) { writeText(b.school, replaced(Bench::example(), "Version=\"3.2\"", "")); }, 1,
         "El elemento «Centro» del archivo «{xml}» no tiene el atributo «Version»."},
        {"documento de Pincel-eKade con dos elementos raíz", Command::Importar,
         [](Bench& b) {
             writeText(b.school,
                       Bench::example() + Bench::example().substr(Bench::example().find("<Centro")));
         },
         1, "El archivo «{xml}» no es un documento XML válido: hay contenido después del elemento raíz"},
        {"un directorio ocupa el nombre del documento de salida", Command::Importar,
         [](Bench& b) { fs::create_directory(b.output); }, 1,
         "No se puede sustituir el archivo «{out}»: es un directorio."},

        // The settings file.
        {"Horavia.ini es un directorio", Command::Ini,
         [](Bench& b) {
             fs::remove(b.ini);
             fs::create_directory(b.ini);
         },
         1, "Unable to write to {ini}"},
        {"la carpeta de Horavia.ini es un archivo", Command::Ini,
         [](Bench& b) { b.ini = b.work / "centro.xml" / "Horavia.ini"; }, 1, "Unable to write to {ini}"},
        {"Horavia.ini en un disco que no acepta el cambio (fallo inyectado)", Command::Ini,
         [](Bench&) { FaultInjection::failOperation(4); }, 1, "Unable to write to {ini}"},
    };
    return table;
}

struct Result {
    int status = -1;
    std::string printed; // standard output and standard error
};

Result run(const Bench& b, Command command) {
    if (command == Command::Ini) {
        try {
            ini::writeValue(b.ini, "Transformadores", "Transformado", "-1");
            return {0, ""};
        } catch (const Error& e) {
            return {1, e.what()};
        }
    }
    const testing::CliResult r = testing::runCli({command == Command::Exportar ? "exportar" : "importar",
                                                  b.school.string(), "--htemp", b.horavia.string()});
    return {r.status, r.out + r.err};
}

class BadInputMatrix : public ::testing::TestWithParam<BadInput> {};

// The row's message with the bench's paths and counts in it.
std::string expectedMessage(const BadInput& row, const Bench& b) {
    std::string message = row.message;
    message = replaced(message, "{xml}", b.school.string());
    message = replaced(message, "{htemp}", b.horavia.string());
    message = replaced(message, "{ini}", b.ini.string());
    message = replaced(message, "{out}", b.output.string());
    message = replaced(message, "{n+1}", std::to_string(Bench::solucRecords() + 1));
    message = replaced(message, "{n}", std::to_string(Bench::solucRecords()));
    message = replaced(message, "{/}", std::string(1, static_cast<char>(fs::path::preferred_separator)));
    return message;
}

TEST_P(BadInputMatrix, EndsInItsMessageAndLosesNothing) {
    const BadInput& row = GetParam();
    Bench b;
    row.make(b);
    const auto work = b.snapshotWhileLetGo(b.work.path());
    const auto horavia = b.snapshotWhileLetGo(b.htemp.path());

    const Result result = run(b, row.command);

    const std::string message = expectedMessage(row, b);
    EXPECT_EQ(result.status, row.status) << result.printed;
    EXPECT_NE(result.printed.find(message), std::string::npos)
        << "esperado: " << message << "\nimpreso: " << result.printed;
    if (row.status != 0) {
        EXPECT_EQ(testing::differences(work, b.snapshotWhileLetGo(b.work.path())), "");
        EXPECT_EQ(testing::differences(horavia, b.snapshotWhileLetGo(b.htemp.path())), "");
    } else {
        // A run that completes changes its own output only: never the school's file nor the solution.
        EXPECT_TRUE(readText(b.school) == work.at("centro.xml"));
        EXPECT_TRUE(readText(b.htemp / "SOLUC.DBF") == horavia.at("SOLUC.DBF"));
        if (row.outcome) {
            row.outcome(b);
        }
    }
}

// The same rows through the runs themselves, as the window calls them in
// command-line mode: each ends as the command line said, records the outcome
// that Horavia reads, closes the window unless it failed (the user then sees
// the error), and leaves no hourglass and no table open.
TEST_P(BadInputMatrix, TheRunEndsTheSameWayForTheWindow) {
    const BadInput& row = GetParam();
    if (row.command == Command::Ini) {
        GTEST_SKIP() << "not a run";
    }
    Bench b;
    row.make(b);
    const auto work = b.snapshotWhileLetGo(b.work.path());
    const auto horavia = b.snapshotWhileLetGo(b.htemp.path());
    RunState state;
    state.LaunchedWithParams = 2;
    state.horaviaDir = b.horavia;
    state.tables.bindAll(b.horavia);
    testing::ScriptedUi ui;
    ui.dialogAnswers = {b.school.string()};

    std::optional<RunOutcome> outcome;
    std::string shown;
    try {
        outcome = row.command == Command::Exportar ? exporting::runExport(state, ui)
                                                   : importing::runImport(state, ui);
    } catch (const Error& e) {
        shown = e.what();
    }
    for (std::size_t i = 0; i < ui.messages.size(); ++i) {
        shown += ui.messages[i] + "\n" + ui.details[i] + "\n";
    }
    const std::string message = expectedMessage(row, b);
    EXPECT_NE(shown.find(message), std::string::npos) << "esperado: " << message << "\nmostrado: " << shown;
    const std::optional<RunOutcome> expected = row.status == 0   ? std::optional(RunOutcome::Completed)
                                               : row.status == 2 ? std::optional(RunOutcome::InputMissing)
                                                                 : std::nullopt;
    EXPECT_EQ(outcome, expected) << shown;
    EXPECT_EQ(state.TransformStatus, row.status == 0 ? 1 : row.status == 2 ? -1 : 0);
    EXPECT_EQ(ui.closes, row.status == 1 ? 0 : 1);
    EXPECT_FALSE(ui.hourglass);
    for (const Table* t :
         {&state.tables.wwTableNomAsg, &state.tables.wwTableProfesor, &state.tables.wwTableTramos,
          &state.tables.wwTableAulas, &state.tables.wwTableGrupos, &state.tables.wwTableAsig,
          &state.tables.wwTableSoluc, &state.tables.wwTableCursos}) {
        EXPECT_FALSE(t->isOpen()) << t->name();
    }
    if (row.status != 0) {
        EXPECT_EQ(testing::differences(work, b.snapshotWhileLetGo(b.work.path())), "");
        EXPECT_EQ(testing::differences(horavia, b.snapshotWhileLetGo(b.htemp.path())), "");
    } else if (row.outcome) {
        row.outcome(b);
    }
}

// The fault in camel case, in ASCII: "archivo XML vacío" names the case ArchivoXMLVacio.
std::string caseName(const ::testing::TestParamInfo<BadInput>& info) {
    static const std::map<std::string, char> kPlain = {{"á", 'a'}, {"é", 'e'}, {"í", 'i'}, {"ó", 'o'},
                                                       {"ú", 'u'}, {"ñ", 'n'}, {"ü", 'u'}};
    const std::string fault = info.param.fault;
    std::string name;
    bool wordStart = true;
    for (std::size_t i = 0; i < fault.size(); ++i) {
        char c = fault[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            const auto plain = kPlain.find(fault.substr(i, 2));
            c = plain == kPlain.end() ? ' ' : plain->second;
            ++i;
        }
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name += wordStart ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
            wordStart = false;
        } else {
            wordStart = true;
        }
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Filas, BadInputMatrix, ::testing::ValuesIn(rows()), caseName);

} // namespace
} // namespace vinculor
