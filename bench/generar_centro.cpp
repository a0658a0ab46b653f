// Writes the XML file of a synthetic school, as the school-administration
// system would export it, for the benchmark.
//
//   generar-centro --escala N [--semilla S] [--latin1] --salida centro.xml
//
// Scale 1 is a typical secondary school: 80 subjects, 12 activity types, 15
// departments, 60 teachers, 40 rooms, 6 teachings, 20 groups with 15 subjects
// each (300 group subjects) and a week of 35 periods. Scale N holds N such
// blocks: every family is N times as large, the week included (each block's
// periods are shifted by its number of minutes, so times stay valid HH:MM and
// days stay L to V). Codes look like real ones (3 to 13 characters, some
// longer than the tables hold), a few repeat or differ only in letter case,
// some tutors and departments are unknown, and a share of the weekly hours is
// fractional. The same scale and seed always give the same bytes. With
// --latin1 the file is declared and written in ISO-8859-1, as older
// administration systems export it.

#include "Azar.h"
#include "text/Ascii.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using vinculor::bench::Azar;

constexpr int kMateriasPorBloque = 80;
constexpr int kDepartamentosPorBloque = 15;
constexpr int kProfesoresPorBloque = 60;
constexpr int kAulasPorBloque = 40;
constexpr int kGruposPorBloque = 20;
constexpr int kMateriasPorGrupo = 15;

struct Materia {
    const char* codigo;
    const char* nombre;
};

constexpr std::array<Materia, 40> kMaterias = {{
    {"MAT", "Matemáticas"},
    {"LCL", "Lengua Castellana y Literatura"},
    {"ING", "Primera Lengua Extranjera: Inglés"},
    {"FRA", "Segunda Lengua Extranjera: Francés"},
    {"BYG", "Biología y Geología"},
    {"FYQ", "Física y Química"},
    {"GEH", "Geografía e Historia"},
    {"EFI", "Educación Física"},
    {"MUS", "Música"},
    {"EPV", "Educación Plástica, Visual y Audiovisual"},
    {"TEC", "Tecnología y Digitalización"},
    {"REL", "Religión"},
    {"ATE", "Atención Educativa"},
    {"TUT", "Tutoría"},
    {"ECO", "Economía"},
    {"LAT", "Latín"},
    {"GRI", "Griego"},
    {"FIL", "Filosofía"},
    {"HES", "Historia de España"},
    {"QUI", "Química"},
    {"FIS", "Física"},
    {"BIO", "Biología"},
    {"DIB", "Dibujo Técnico"},
    {"MATCCSS", "Matemáticas Aplicadas a las Ciencias Sociales"},
    {"MATEMATICAS", "Matemáticas Académicas"},
    {"LITERATURAU", "Literatura Universal"},
    {"PSI", "Psicología"},
    {"TIC", "Tecnologías de la Información y la Comunicación"},
    {"EMPRENDEDOR", "Iniciativa Emprendedora"},
    {"CUC", "Cultura Científica"},
    {"CCL", "Cultura Clásica"},
    {"AMB", "Anatomía Aplicada"},
    {"IMAGENYSONIDO", "Imagen y Sonido"},
    {"HMC", "Historia del Mundo Contemporáneo"},
    {"GEO", "Geografía"},
    {"HAR", "Historia del Arte"},
    {"EMP", "Empresa y Diseño de Modelos de Negocio"},
    {"ALE", "Alemán"},
    {"PRY", "Proyecto Interdisciplinar"},
    {"ORA", "Oratoria"},
}};

// One block's activity types, and its teachings below: the lists themselves.
constexpr std::array<Materia, 12> kTipos = {{
    {"GUARDIA", "Guardia"},
    {"GUARDIAREC", "Guardia de recreo"},
    {"REUNDEP", "Reunión de departamento"},
    {"REUNIONEQUIPO", "Reunión de equipo educativo"},
    {"ATPADRES", "Atención a familias"},
    {"BIBLIO", "Biblioteca"},
    {"JEFDEP", "Jefatura de departamento"},
    {"COORD", "Coordinación"},
    {"TUTORIAIND", "Tutoría individualizada"},
    {"CCP", "Comisión de coordinación pedagógica"},
    {"MAT", "Matemáticas (refuerzo)"}, // the code of a subject: gets no record
    {"PROYECTOS", "Proyectos del centro"},
}};

constexpr std::array<const char*, 15> kDepartamentos = {
    "Matemáticas",
    "Lengua Castellana y Literatura",
    "Inglés",
    "Francés",
    "Biología y Geología",
    "Física y Química",
    "Geografía e Historia",
    "Educación Física",
    "Música",
    "Dibujo",
    "Tecnología",
    "Religión",
    "Filosofía",
    "Economía",
    "Orientación",
};

constexpr std::array<const char*, 30> kNombres = {
    "José",   "María",    "Carmen",   "Antonio", "Ana",    "Manuel", "Laura", "Francisco",
    "Lucía",  "David",    "Marta",    "Javier",  "Elena",  "Daniel", "Sara",  "Alejandro",
    "Paula",  "Carlos",   "Cristina", "Miguel",  "Isabel", "Rafael", "Nuria", "Pedro",
    "Raquel", "Fernando", "Beatriz",  "Jorge",   "Yaiza",  "Ñico",
};

constexpr std::array<const char*, 40> kApellidos = {
    "García",  "Rodríguez", "González", "Fernández", "López",     "Martínez", "Sánchez",   "Pérez",
    "Gómez",   "Martín",    "Jiménez",  "Ruiz",      "Hernández", "Díaz",     "Moreno",    "Muñoz",
    "Álvarez", "Romero",    "Alonso",   "Gutiérrez", "Navarro",   "Torres",   "Domínguez", "Vázquez",
    "Ramos",   "Gil",       "Ramírez",  "Serrano",   "Blanco",    "Molina",   "Morales",   "Suárez",
    "Ortega",  "Delgado",   "Castro",   "Ortiz",     "Rubio",     "Marín",    "Sanz",      "Núñez",
};

struct Ensenanza {
    const char* codigo;
    const char* nombre;
    int cursos;
};

constexpr std::array<Ensenanza, 6> kEnsenanzas = {{
    {"ESO", "Educación Secundaria Obligatoria", 4},
    {"BACH", "Bachillerato", 2},
    {"FPB", "Formación Profesional Básica", 2},
    {"CFGM", "Ciclo Formativo de Grado Medio", 2},
    {"CFGS", "Ciclo Formativo de Grado Superior", 2},
    {"EPA", "Educación de Personas Adultas", 2},
}};

// The seven periods of a school day: start in minutes from midnight and length.
constexpr std::array<std::array<int, 2>, 7> kPeriodos = {{
    {8 * 60, 55},
    {8 * 60 + 55, 55},
    {9 * 60 + 50, 55},
    {10 * 60 + 45, 30},
    {11 * 60 + 15, 55},
    {12 * 60 + 10, 55},
    {13 * 60 + 5, 55},
}};

constexpr std::array<const char*, 5> kDias = {"L", "M", "X", "J", "V"};

struct Horas {
    const char* texto;
    unsigned porMil; // cumulative
};

// Weekly hours of a group subject: mostly whole hours, some fractional.
constexpr std::array<Horas, 9> kHoras = {{
    {"04,00", 200},
    {"03,00", 500},
    {"02,00", 700},
    {"01,00", 800},
    {"02,50", 870},
    {"01,50", 920},
    {"01,30", 950},
    {"03,50", 980},
    {"00,00", 1000},
}};

// "" for the first block, else "_" and the block's number in base 36: codes of
// different blocks differ while keeping realistic lengths.
std::string sufijo(int bloque) {
    if (bloque == 0) {
        return "";
    }
    static constexpr char kCifras[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string s;
    for (int n = bloque; n > 0; n /= 36) {
        s.insert(s.begin(), kCifras[n % 36]);
    }
    return "_" + s;
}

std::string hora(int minutos) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d", minutos / 60, minutos % 60);
    return buffer;
}

// The first letter (a whole UTF-8 sequence) of a name, in upper case for ASCII.
std::string inicial(std::string_view nombre) {
    const auto b = static_cast<unsigned char>(nombre[0]);
    const std::size_t n = b < 0x80 ? 1 : (b < 0xE0 ? 2 : 3);
    return std::string(nombre.substr(0, n));
}

class Escritor {
public:
    void abrir(std::string_view nombre, int sangria) {
        linea(sangria);
        out_ += '<';
        out_ += nombre;
    }
    void atributo(std::string_view nombre, std::string_view valor) {
        out_ += ' ';
        out_ += nombre;
        out_ += "=\"";
        for (const char c : valor) {
            switch (c) {
            case '&':
                out_ += "&amp;";
                break;
            case '<':
                out_ += "&lt;";
                break;
            case '"':
                out_ += "&quot;";
                break;
            default:
                out_ += c;
            }
        }
        out_ += '"';
    }
    void cerrarVacio() { out_ += "/>\n"; }
    void cerrarApertura() { out_ += ">\n"; }
    void fin(std::string_view nombre, int sangria) {
        linea(sangria);
        out_ += "</";
        out_ += nombre;
        out_ += ">\n";
    }
    void texto(std::string_view t) { out_ += t; }
    std::string& bytes() { return out_; }

private:
    void linea(int sangria) { out_.append(static_cast<std::size_t>(sangria) * 2, ' '); }
    std::string out_;
};

struct Centro {
    int escala = 1;
    std::uint64_t semilla = 1;
    Azar azar{1};
    Escritor xml;
    // The codes written, per block: the groups of a block take their subjects,
    // tutors and teachings from it, and teachers their departments.
    std::vector<std::vector<std::string>> materias;
    std::vector<std::vector<std::string>> profesores;
    std::vector<std::vector<std::string>> departamentos;
    std::vector<std::vector<std::string>> ensenanzas;

    // Each family of each block draws from a sequence of its own.
    void empezar(int familia, int bloque) {
        azar = Azar(semilla * 0x100000001B3ull + static_cast<std::uint64_t>(familia) * 0x10001ull +
                    static_cast<std::uint64_t>(bloque));
    }

    // Now and then a code repeats an earlier one of the same family, or
    // differs from it only in letter case.
    std::string quizaRepetido(std::string codigo, const std::vector<std::string>& anteriores) {
        if (!anteriores.empty() && azar.porMil(15)) {
            return anteriores[azar.menorQue(anteriores.size())];
        }
        if (!anteriores.empty() && azar.porMil(5)) {
            return vinculor::text::lowerAscii(anteriores[azar.menorQue(anteriores.size())]);
        }
        return codigo;
    }

    void materiasDeBloque(int b) {
        std::vector<std::string>& materias = this->materias[static_cast<std::size_t>(b)];
        for (int i = 0; i < kMateriasPorBloque; ++i) {
            const Materia& m = kMaterias[static_cast<std::size_t>(i) % kMaterias.size()];
            const int curso = i / static_cast<int>(kMaterias.size()) + 1;
            const std::string codigo = quizaRepetido(m.codigo + std::to_string(curso) + sufijo(b), materias);
            materias.push_back(codigo);
            xml.abrir("Materia", 2);
            xml.atributo("Codigo", codigo);
            xml.atributo("Denominacion", std::string(m.nombre) + " " + std::to_string(curso) + "º");
            xml.cerrarVacio();
        }
    }

    void tiposDeBloque(int b) {
        for (const Materia& t : kTipos) {
            // The subject-like type keeps the first block's subject code, so
            // that in every block it repeats the code of a subject.
            const std::string codigo =
                std::string(t.codigo) + (t.codigo == std::string_view("MAT") ? "1" : "") + sufijo(b);
            xml.abrir("TipoActividad", 2);
            xml.atributo("Codigo", codigo);
            xml.atributo("Denominacion", t.nombre);
            xml.cerrarVacio();
        }
    }

    void departamentosDeBloque(int b) {
        std::vector<std::string>& departamentos = this->departamentos[static_cast<std::size_t>(b)];
        for (int i = 0; i < kDepartamentosPorBloque; ++i) {
            char codigo[16];
            std::snprintf(codigo, sizeof codigo, "D%02d", i + 1);
            departamentos.push_back(codigo + sufijo(b));
            xml.abrir("Departamento", 2);
            xml.atributo("Codigo", departamentos.back());
            xml.atributo("Denominacion", kDepartamentos[static_cast<std::size_t>(i)]);
            xml.cerrarVacio();
        }
    }

    void profesoresDeBloque(int b) {
        std::vector<std::string>& profesores = this->profesores[static_cast<std::size_t>(b)];
        const std::vector<std::string>& departamentos = this->departamentos[static_cast<std::size_t>(b)];
        for (int i = 0; i < kProfesoresPorBloque; ++i) {
            const char* nombre = kNombres[azar.menorQue(kNombres.size())];
            const char* apellido1 = kApellidos[azar.menorQue(kApellidos.size())];
            const char* apellido2 = kApellidos[azar.menorQue(kApellidos.size())];
            // Initials, so that two teachers of the same initials share a code.
            std::string codigo = inicial(nombre) + inicial(apellido1) + inicial(apellido2) + sufijo(b);
            if (azar.porMil(5)) {
                codigo = vinculor::text::lowerAscii(codigo);
            } else if (azar.porMil(10)) {
                codigo = " " + codigo + " "; // blanks that the export trims
            }
            profesores.push_back(codigo);
            std::string departamento = departamentos[azar.menorQue(departamentos.size())];
            if (azar.porMil(20)) {
                departamento = "DX" + sufijo(b); // a department the file does not list
            } else if (azar.porMil(30)) {
                departamento.clear();
            }
            xml.abrir("Profesor", 2);
            xml.atributo("Codigo", codigo);
            xml.atributo("Nombre", nombre);
            xml.atributo("Apellido1", apellido1);
            xml.atributo("Apellido2", azar.porMil(50) ? "" : apellido2);
            xml.atributo("CodigoDep", departamento);
            xml.cerrarVacio();
        }
    }

    void aulasDeBloque(int b) {
        std::vector<std::string> aulas;
        for (int i = 0; i < kAulasPorBloque; ++i) {
            std::string codigo;
            std::string nombre;
            switch (i % 10) {
            case 7:
                codigo = "LABORATORIO" + std::to_string(i / 10 + 1);
                nombre = "Laboratorio " + std::to_string(i / 10 + 1);
                break;
            case 8:
                codigo = "TALLER-" + std::to_string(i / 10 + 1);
                nombre = "Taller de Tecnología " + std::to_string(i / 10 + 1);
                break;
            case 9:
                nombre = "Aula de Plástica " + std::to_string(i / 10 + 1);
                break; // no code: the export takes the name
            default:
                codigo = "A" + std::to_string(100 * (i / 10 + 1) + i % 10);
                nombre = "Aula " + codigo;
            }
            if (!codigo.empty()) {
                codigo = quizaRepetido(codigo + sufijo(b), aulas);
                aulas.push_back(codigo);
            }
            xml.abrir("Aula", 2);
            xml.atributo("Codigo", codigo);
            xml.atributo("Denominacion", nombre + (b > 0 ? " (" + std::to_string(b) + ")" : ""));
            xml.cerrarVacio();
        }
    }

    void ensenanzasDeBloque(int b) {
        std::vector<std::string>& ensenanzas = this->ensenanzas[static_cast<std::size_t>(b)];
        for (const Ensenanza& e : kEnsenanzas) {
            ensenanzas.push_back(e.codigo + sufijo(b));
            xml.abrir("Ensenanza", 2);
            xml.atributo("Codigo", ensenanzas.back());
            xml.atributo("Denominacion", e.nombre);
            xml.cerrarVacio();
        }
    }

    void gruposDeBloque(int b) {
        static constexpr char kLetras[] = "ABCDEF";
        const auto n = static_cast<std::size_t>(b);
        const std::vector<std::string>& materias = this->materias[n];
        const std::vector<std::string>& profesores = this->profesores[n];
        const std::vector<std::string>& ensenanzas = this->ensenanzas[n];
        std::vector<std::string> grupos;
        for (int i = 0; i < kGruposPorBloque; ++i) {
            // Half the groups in the first teaching, the rest spread over the others.
            const std::size_t e = i < kGruposPorBloque / 2 ? 0 : 1 + static_cast<std::size_t>(i) % 5;
            const Ensenanza& ens = kEnsenanzas[e];
            const int curso = 1 + i % ens.cursos;
            const char letra = kLetras[(i / ens.cursos) % 6];
            const std::string codigo =
                quizaRepetido(std::to_string(curso) + ens.codigo + letra + sufijo(b), grupos);
            grupos.push_back(codigo);
            std::string tutor = profesores[azar.menorQue(profesores.size())];
            if (azar.porMil(50)) {
                tutor.clear();
            } else if (azar.porMil(50)) {
                tutor = "ZZZ" + sufijo(b); // a tutor that is not a teacher of the file
            }
            xml.abrir("Grupo", 2);
            xml.atributo("Codigo", codigo);
            xml.atributo("Denominacion", std::to_string(curso) + "º " + ens.nombre + " " + letra);
            xml.atributo("CodigoEnsenanza", azar.porMil(20) ? "NOEXISTE" : ensenanzas[e]);
            xml.atributo("Turno", i % 4 == 3 ? "T" : "M");
            xml.atributo("Curso", std::to_string(curso));
            xml.atributo("Letra", std::string(1, letra));
            xml.atributo("CodigoTutor", tutor);
            xml.cerrarApertura();
            xml.abrir("MateriasGrupo", 3);
            xml.cerrarApertura();
            const std::size_t primera = azar.menorQue(materias.size());
            for (int k = 0; k < kMateriasPorGrupo; ++k) {
                const std::string& materia =
                    materias[(primera + 5 * static_cast<std::size_t>(k)) % materias.size()];
                const unsigned r = static_cast<unsigned>(azar.menorQue(1000));
                const char* horas = kHoras.back().texto;
                for (const Horas& h : kHoras) {
                    if (r < h.porMil) {
                        horas = h.texto;
                        break;
                    }
                }
                xml.abrir("MateriaGrupo", 4);
                xml.atributo("Codigo", azar.porMil(5) ? "" : materia);
                xml.atributo("Horas", horas);
                xml.cerrarVacio();
            }
            xml.fin("MateriasGrupo", 3);
            xml.fin("Grupo", 2);
        }
    }

    void sesionesDeBloque(int b) {
        for (std::size_t d = 0; d < kDias.size(); ++d) {
            for (const auto& [inicio, duracion] : kPeriodos) {
                const int desde = (inicio + b) % (23 * 60);
                xml.abrir("Sesion", 2);
                xml.atributo("Dia", kDias[d]);
                xml.atributo("HoraInicio", hora(desde));
                xml.atributo("HoraFin", hora(desde + duracion));
                xml.cerrarVacio();
            }
        }
    }

    // One family: its element, holding every block's elements.
    template <typename Bloque> void familia(int numero, const char* nombre, Bloque bloque) {
        xml.abrir(nombre, 1);
        xml.cerrarApertura();
        for (int b = 0; b < escala; ++b) {
            empezar(numero, b);
            bloque(b);
        }
        xml.fin(nombre, 1);
    }

    std::string& escribir() {
        const auto bloques = static_cast<std::size_t>(escala);
        materias.assign(bloques, {});
        profesores.assign(bloques, {});
        departamentos.assign(bloques, {});
        ensenanzas.assign(bloques, {});
        xml.bytes().reserve(bloques * 64 * 1024);

        xml.texto("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
        xml.abrir("Centro", 0);
        xml.atributo("Codigo", "38099999");
        xml.atributo("Nombre", "IES Sintético de Prueba");
        xml.atributo("CursoEscolar", "2024/2025");
        xml.atributo("Version", "1.4");
        xml.cerrarApertura();
        familia(1, "Materias", [&](int b) { materiasDeBloque(b); });
        familia(2, "TiposActividad", [&](int b) { tiposDeBloque(b); });
        familia(3, "Departamentos", [&](int b) { departamentosDeBloque(b); });
        familia(4, "Profesores", [&](int b) { profesoresDeBloque(b); });
        familia(5, "Aulas", [&](int b) { aulasDeBloque(b); });
        familia(6, "Ensenanzas", [&](int b) { ensenanzasDeBloque(b); });
        familia(7, "Grupos", [&](int b) { gruposDeBloque(b); });
        familia(8, "Sesiones", [&](int b) { sesionesDeBloque(b); });
        xml.fin("Centro", 0);
        return xml.bytes();
    }
};

// The same document in ISO-8859-1: every character the generator writes is
// in Latin-1, so each UTF-8 sequence becomes one byte.
std::string enLatin1(const std::string& utf8) {
    std::string latin1;
    latin1.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            latin1 += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            std::fprintf(stderr, "generar-centro: un carácter no cabe en ISO-8859-1\n");
            std::exit(1);
        }
    }
    const std::string_view utf = "encoding=\"UTF-8\"";
    latin1.replace(latin1.find(utf), utf.size(), "encoding=\"ISO-8859-1\"");
    return latin1;
}

[[noreturn]] void uso(const char* mensaje) {
    std::fprintf(stderr, "%s\nUso: generar-centro --escala N [--semilla S] [--latin1] --salida ARCHIVO.xml\n", mensaje);
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    int escala = 0;
    std::uint64_t semilla = 2024;
    const char* salida = nullptr;
    bool latin1 = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--latin1") {
            latin1 = true;
            continue;
        }
        if (i + 1 >= argc) {
            uso(("Falta el valor de " + std::string(a)).c_str());
        }
        if (a == "--escala") {
            escala = std::atoi(argv[++i]);
        } else if (a == "--semilla") {
            semilla = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--salida") {
            salida = argv[++i];
        } else {
            uso(("Opción desconocida: " + std::string(a)).c_str());
        }
    }
    if (escala < 1 || salida == nullptr) {
        uso("Faltan la escala (1 o más) o el archivo de salida.");
    }
    Centro centro;
    centro.escala = escala;
    centro.semilla = semilla;
    const std::string bytes = latin1 ? enLatin1(centro.escribir()) : std::move(centro.escribir());
    std::FILE* f = std::fopen(salida, "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
        std::fclose(f) != 0) {
        std::fprintf(stderr, "No se puede escribir %s\n", salida);
        return 1;
    }
    return 0;
}
