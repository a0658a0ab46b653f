// The simulator's whole timetable, in plain rules that a reader can follow
// by hand:
//
// - Each group's subjects (ASIGT, in stored order) get ceil(HORAS) sessions
//   each. A session takes the group's free slot that, in this order: falls on
//   a day with the fewest sessions of that subject so far; is not shorter than
//   45 minutes; comes first in the days counted from a starting day that moves
//   on by one for each subject of the group; has the lowest slot number.
//   Sessions that find no free slot stay in SOLUC with DIA 0, HORA 0 and no
//   room, as Horavia keeps the sessions it could not place.
// - All sessions of a subject in a group share one teacher (PROFT): the first,
//   going round the table from where the previous choice stopped, that is free
//   at every one of those sessions; the one there anyway when none is. Each
//   session gets a room (AULAT) the same way, on its own.
// - Every fourth teacher, from the first, gets one task: the activity types
//   (ASIGNOMT records with ESTAREA) taken in turn, in the teacher's first free
//   slot from a starting slot that moves with the teacher, in a free room, and
//   with the group the teacher tutors (GRUPOST.TUTOR), if any, as CODGRUPO.
// - A lesson record's ASIG is the subject's COD, found through CODLARGO, since
//   ASIGT holds the school's code; its CODGRUPO is the group's ABREV, found by
//   code or else by shift, teaching, course and letter, since ASIGT holds the
//   school's group code; TAREA is "CCM".
// - SOLUC's records are in order of day and slot (DIA 0 first), lessons before
//   tasks within a slot.

#include "SimuladorHoravia.h"

#include "dbf/Table.h"
#include "import/SolucSchema.h"
#include "text/Text.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <unordered_map>

namespace simulador {

namespace {

using vinculor::Table;
using vinculor::text::parseInteger;

constexpr int kMinutosClaseCompleta = 45;
constexpr std::size_t kProfesoresPorTarea = 4;

struct Tramo {
    int dia = 0;
    int hora = 0;
    bool corto = false;
};

struct Grupo {
    std::string abrev, turno, nivel, curso, letra, tutor;
};

struct Materia {
    std::string cod;
    int sesiones = 0;
};

struct Registro {
    std::string asig, tarea;
    int dia = 0;
    int hora = 0;
    std::string grupo, prof, aula;
};

template <typename Leer>
void recorrer(const std::filesystem::path& dir, const std::string& nombre, Leer leer) {
    Table tabla(dir, nombre);
    tabla.open();
    for (tabla.first(); !tabla.eof(); tabla.next()) {
        leer(tabla);
    }
    tabla.discard();
}

// Who is busy when: one row per teacher or room, one column per slot.
class Ocupacion {
public:
    Ocupacion(std::size_t filas, std::size_t tramos) : libre_(filas, std::vector<bool>(tramos, true)) {}

    // Going round from `cursor`, the first row free at every slot of `tramos`,
    // or the row at the cursor when none is; it is then busy there, and the
    // cursor moves past it. None when there are no rows.
    std::optional<std::size_t> elegir(std::size_t& cursor, const std::vector<std::size_t>& tramos) {
        if (libre_.empty()) {
            return std::nullopt;
        }
        std::size_t elegida = cursor % libre_.size();
        for (std::size_t i = 0; i < libre_.size(); ++i) {
            const std::size_t fila = (cursor + i) % libre_.size();
            if (std::all_of(tramos.begin(), tramos.end(), [&](std::size_t t) { return libre_[fila][t]; })) {
                elegida = fila;
                break;
            }
        }
        ocupar(elegida, tramos);
        cursor = elegida + 1;
        return elegida;
    }

    bool libre(std::size_t fila, std::size_t tramo) const { return libre_[fila][tramo]; }
    void ocupar(std::size_t fila, const std::vector<std::size_t>& tramos) {
        for (const std::size_t t : tramos) {
            libre_[fila][t] = false;
        }
    }

private:
    std::vector<std::vector<bool>> libre_;
};

std::string codigo(const std::vector<std::string>& codigos, std::optional<std::size_t> i) {
    return i ? codigos[*i] : std::string();
}

void escribirSoluc(const std::filesystem::path& dir, const std::vector<Registro>& registros) {
    vinculor::deleteTableFiles(dir, "SOLUC");
    Table soluc(dir, "SOLUC");
    soluc.create(vinculor::importing::solucSchema());
    soluc.open();
    for (const Registro& r : registros) {
        soluc.append();
        soluc.setText("ASIG", r.asig);
        soluc.setText("TAREA", r.tarea);
        soluc.setInt("DIA", r.dia);
        soluc.setInt("HORA", r.hora);
        soluc.setText("CODGRUPO", r.grupo);
        soluc.setText("PROF", r.prof);
        soluc.setText("AULA", r.aula);
        soluc.post();
    }
    soluc.close();
}

// What the simulator reads from the exported tables.
struct Datos {
    std::vector<Tramo> tramos;
    std::vector<int> dias; // day numbers in the order met
    std::vector<Grupo> grupos;
    std::vector<std::vector<Materia>> materiasDe; // by group
    std::vector<std::string> tiposDeTarea;
    std::vector<std::string> profesores;
    std::vector<std::string> aulas;

    std::size_t diaIndice(std::size_t tramo) const {
        return static_cast<std::size_t>(std::find(dias.begin(), dias.end(), tramos[tramo].dia) -
                                        dias.begin());
    }
};

Datos leerTablas(const std::filesystem::path& htemp, Resumen& resumen) {
    Datos datos;
    recorrer(htemp, "DIASHORAST", [&](Table& t) {
        const Tramo tramo{parseInteger(t.getText("DIA")), parseInteger(t.getText("HORA")),
                          parseInteger(t.getText("MINUTOS")) < kMinutosClaseCompleta};
        if (std::find(datos.dias.begin(), datos.dias.end(), tramo.dia) == datos.dias.end()) {
            datos.dias.push_back(tramo.dia);
        }
        datos.tramos.push_back(tramo);
    });
    recorrer(htemp, "GRUPOST", [&](Table& t) {
        datos.grupos.push_back({t.getText("ABREV"), t.getText("TURNO"), t.getText("NIVEL"),
                                t.getText("CURSO"), t.getText("GRUPO"), t.getText("TUTOR")});
    });
    std::unordered_map<std::string, std::string> codPorCodigoLargo; // the first record wins
    recorrer(htemp, "ASIGNOMT", [&](Table& t) {
        if (t.getText("ESTAREA") == "T") {
            datos.tiposDeTarea.push_back(t.getText("COD"));
        } else {
            codPorCodigoLargo.emplace(t.getText("CODLARGO"), t.getText("COD"));
        }
    });
    recorrer(htemp, "PROFT", [&](Table& t) { datos.profesores.push_back(t.getText("ABREV")); });
    recorrer(htemp, "AULAT", [&](Table& t) { datos.aulas.push_back(t.getText("ABREV")); });

    auto& grupos = datos.grupos;
    datos.materiasDe.resize(grupos.size());
    recorrer(htemp, "ASIGT", [&](Table& t) {
        const std::string cgrup = t.getText("CGRUP");
        auto g = std::find_if(grupos.begin(), grupos.end(), [&](const Grupo& x) { return x.abrev == cgrup; });
        if (g == grupos.end()) {
            g = std::find_if(grupos.begin(), grupos.end(), [&](const Grupo& x) {
                return x.turno == t.getText("TURNO") && x.nivel == t.getText("NIVEL") &&
                       x.curso == t.getText("CURSO") && x.letra == t.getText("GRUPO");
            });
        }
        const std::string casig = t.getText("CASIG");
        const auto cod = codPorCodigoLargo.find(casig);
        if (g == grupos.end()) {
            resumen.avisos.push_back("el grupo «" + cgrup + "» de ASIGT no está en GRUPOST; «" + casig +
                                     "» no se coloca.");
        } else if (cod == codPorCodigoLargo.end()) {
            resumen.avisos.push_back("la materia «" + casig + "» del grupo «" + cgrup +
                                     "» no está en ASIGNOMT; no se coloca.");
        } else {
            const double sesiones = std::clamp(std::ceil(t.getDouble("HORAS")), 0.0, 1000.0);
            datos.materiasDe[static_cast<std::size_t>(g - grupos.begin())].push_back(
                {cod->second, static_cast<int>(sesiones)});
        }
    });
    return datos;
}

// The group's free slots for one subject's sessions, by the rule at the top.
std::vector<std::size_t> elegirTramos(const Datos& datos, std::vector<bool>& grupoLibre, int sesiones,
                                      std::size_t diaInicial) {
    const std::size_t nDias = datos.dias.size();
    std::vector<int> sesionesPorDia(nDias, 0);
    const auto clave = [&](std::size_t t) {
        const std::size_t d = datos.diaIndice(t);
        return std::make_tuple(sesionesPorDia[d], datos.tramos[t].corto, (d + nDias - diaInicial) % nDias,
                               datos.tramos[t].hora);
    };
    std::vector<std::size_t> elegidos;
    for (int sesion = 0; sesion < sesiones; ++sesion) {
        std::optional<std::size_t> mejor;
        for (std::size_t t = 0; t < datos.tramos.size(); ++t) {
            if (grupoLibre[t] && (!mejor || clave(t) < clave(*mejor))) {
                mejor = t;
            }
        }
        if (!mejor) {
            break;
        }
        grupoLibre[*mejor] = false;
        ++sesionesPorDia[datos.diaIndice(*mejor)];
        elegidos.push_back(*mejor);
    }
    return elegidos;
}

} // namespace

std::string Resumen::texto() const {
    std::string s = "SOLUC: " + std::to_string(clases + tareas + sinHueco) + " registros\n";
    s += "  Clases colocadas: " + std::to_string(clases) + "\n";
    s += "  Tareas: " + std::to_string(tareas) + "\n";
    s += "  Sesiones sin hueco (DIA 0): " + std::to_string(sinHueco) + "\n";
    for (const std::string& aviso : avisos) {
        s += "Aviso: " + aviso + "\n";
    }
    return s;
}

Resumen simularHorario(const std::filesystem::path& htemp) {
    Resumen resumen;
    const Datos datos = leerTablas(htemp, resumen);
    const auto& tramos = datos.tramos;
    Ocupacion profesores(datos.profesores.size(), tramos.size());
    Ocupacion aulas(datos.aulas.size(), tramos.size());
    std::size_t cursorProfesor = 0;
    std::size_t cursorAula = 0;
    std::vector<Registro> registros;

    for (std::size_t g = 0; g < datos.grupos.size(); ++g) {
        const std::string& grupo = datos.grupos[g].abrev;
        std::vector<bool> grupoLibre(tramos.size(), true);
        for (std::size_t m = 0; m < datos.materiasDe[g].size(); ++m) {
            const Materia& materia = datos.materiasDe[g][m];
            const std::vector<std::size_t> elegidos = elegirTramos(
                datos, grupoLibre, materia.sesiones, datos.dias.empty() ? 0 : m % datos.dias.size());
            const std::string prof = codigo(datos.profesores, profesores.elegir(cursorProfesor, elegidos));
            for (const std::size_t t : elegidos) {
                const std::string aula = codigo(datos.aulas, aulas.elegir(cursorAula, {t}));
                registros.push_back({materia.cod, "CCM", tramos[t].dia, tramos[t].hora, grupo, prof, aula});
                ++resumen.clases;
            }
            for (auto resto = elegidos.size(); resto < static_cast<std::size_t>(materia.sesiones); ++resto) {
                registros.push_back({materia.cod, "CCM", 0, 0, grupo, prof, ""});
                ++resumen.sinHueco;
            }
        }
    }

    for (std::size_t p = 0; p < datos.profesores.size() && !datos.tiposDeTarea.empty() && !tramos.empty();
         p += kProfesoresPorTarea) {
        std::optional<std::size_t> tramo;
        for (std::size_t i = 0; i < tramos.size() && !tramo; ++i) {
            if (profesores.libre(p, (p + i) % tramos.size())) {
                tramo = (p + i) % tramos.size();
            }
        }
        if (!tramo) {
            continue;
        }
        profesores.ocupar(p, {*tramo});
        const std::string& tipo = datos.tiposDeTarea[(p / kProfesoresPorTarea) % datos.tiposDeTarea.size()];
        const std::string aula = codigo(datos.aulas, aulas.elegir(cursorAula, {*tramo}));
        const auto tutorado = std::find_if(datos.grupos.begin(), datos.grupos.end(), [&](const Grupo& x) {
            return !x.tutor.empty() && x.tutor == datos.profesores[p];
        });
        registros.push_back({tipo, tipo, tramos[*tramo].dia, tramos[*tramo].hora,
                             tutorado == datos.grupos.end() ? std::string() : tutorado->abrev,
                             datos.profesores[p], aula});
        ++resumen.tareas;
    }

    std::stable_sort(registros.begin(), registros.end(), [](const Registro& a, const Registro& b) {
        return std::tie(a.dia, a.hora) < std::tie(b.dia, b.hora);
    });
    escribirSoluc(htemp, registros);
    return resumen;
}

} // namespace simulador
