// Writes Horavia's solution table SOLUC for a school that has been exported,
// as the timetabling program would leave it, for the benchmark.
//
//   generar-soluc --htemp DIR [--semilla S]
//
// It reads the export's tables in DIR (GRUPOST, PROFT, AULAT, ASIGNOMT,
// DIASHORAST) and places, block by block of the synthetic school (20 groups,
// 60 teachers), each group's 35 weekly lessons, a second teacher in about half
// of them (split classes), and 14 activities per teacher (duty, meetings).
// About 2,000 records per block. A few records are of the kinds that the import
// leaves out or writes with an empty code: not placed (day and period 0), an
// unknown group, subject or period, an unknown teacher, no room. The same
// tables and seed always give the same SOLUC.

#include "Azar.h"
#include "base/Error.h"
#include "dbf/Table.h"
#include "import/SolucSchema.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using vinculor::Table;
using vinculor::bench::Azar;

constexpr int kGruposPorBloque = 20;
constexpr int kDias = 5;
constexpr int kPeriodosPorDia = 7;
constexpr int kTareasPorProfesor = 14;

std::vector<std::string> columna(Table& t, std::string_view campo, std::string_view filtro = {},
                                 std::string_view valor = {}) {
    std::vector<std::string> out;
    t.open();
    for (t.first(); !t.eof(); t.next()) {
        if (filtro.empty() || t.getText(filtro) == valor) {
            out.push_back(t.getText(campo));
        }
    }
    t.close();
    return out;
}

// The part of a list that belongs to block b of n.
struct Tramo {
    const std::vector<std::string>* lista;
    std::size_t desde = 0;
    std::size_t cuantos = 0;
    Tramo(const std::vector<std::string>& l, std::size_t b, std::size_t n) : lista(&l) {
        desde = l.size() * b / n;
        cuantos = l.size() * (b + 1) / n - desde;
    }
    const std::string& operator[](std::size_t i) const { return (*lista)[desde + i % cuantos]; }
};

struct Registro {
    std::string asig, tarea;
    int dia = 0, hora = 0;
    std::string grupo, prof, aula;
};

} // namespace

int main(int argc, char** argv) {
    std::string htemp;
    std::uint64_t semilla = 2024;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view a = argv[i];
        if (a == "--htemp") {
            htemp = argv[i + 1];
        } else if (a == "--semilla") {
            semilla = std::strtoull(argv[i + 1], nullptr, 10);
        }
    }
    if (htemp.empty()) {
        std::fprintf(stderr, "Uso: generar-soluc --htemp DIR [--semilla S]\n");
        return 2;
    }

    try {
        Table grupost(htemp, "GRUPOST"), proft(htemp, "PROFT"), aulat(htemp, "AULAT"),
            asignomt(htemp, "ASIGNOMT"), diashorast(htemp, "DIASHORAST");
        const std::vector<std::string> grupos = columna(grupost, "ABREV");
        const std::vector<std::string> profesores = columna(proft, "ABREV");
        const std::vector<std::string> aulas = columna(aulat, "ABREV");
        const std::vector<std::string> materias = columna(asignomt, "COD", "ESTAREA", "F");
        const std::vector<std::string> tipos = columna(asignomt, "COD", "ESTAREA", "T");
        std::map<int, int> periodosPorDia;
        diashorast.open();
        for (diashorast.first(); !diashorast.eof(); diashorast.next()) {
            ++periodosPorDia[diashorast.getInt("DIA")];
        }
        diashorast.close();

        const std::size_t bloques = std::max<std::size_t>(1, grupos.size() / kGruposPorBloque);
        if (profesores.size() < bloques || aulas.size() < bloques || materias.size() < bloques ||
            tipos.size() < bloques) {
            throw vinculor::Error("Las tablas de " + htemp + " no son de un centro sintético exportado.");
        }

        Table soluc(htemp, "SOLUC");
        vinculor::deleteTableFiles(htemp, "SOLUC");
        soluc.create(vinculor::importing::solucSchema());
        soluc.open();
        Azar azar(semilla);
        std::size_t total = 0;
        const auto escribir = [&](Registro r) {
            // The kinds of record that the import leaves out, or writes with an empty code.
            const unsigned k = static_cast<unsigned>(azar.menorQue(1000));
            if (k < 15) {
                r.dia = r.hora = 0; // not placed
            } else if (k < 20) {
                r.grupo = "NOGRUPO";
            } else if (k < 25) {
                r.asig = "NOMATERIA";
            } else if (k < 30) {
                r.hora += 10000; // a period the week does not have
            } else if (k < 40) {
                r.prof = "NOPROF";
            } else if (k < 60) {
                r.aula.clear();
            }
            soluc.append();
            soluc.setText("ASIG", r.asig);
            soluc.setText("TAREA", r.tarea);
            soluc.setInt("DIA", r.dia);
            soluc.setInt("HORA", r.hora);
            soluc.setText("CODGRUPO", r.grupo);
            soluc.setText("PROF", r.prof);
            soluc.setText("AULA", r.aula);
            soluc.post();
            ++total;
        };

        for (std::size_t b = 0; b < bloques; ++b) {
            const Tramo g(grupos, b, bloques), p(profesores, b, bloques), a(aulas, b, bloques),
                m(materias, b, bloques), t(tipos, b, bloques);
            // The block's periods: the b-th run of seven of each day.
            const auto hora = [&](int dia, std::size_t j) {
                const int periodos = std::max(1, periodosPorDia[dia]);
                return static_cast<int>((b * kPeriodosPorDia + j) % static_cast<std::size_t>(periodos)) + 1;
            };
            for (std::size_t i = 0; i < g.cuantos; ++i) {
                for (int dia = 1; dia <= kDias; ++dia) {
                    for (std::size_t j = 0; j < kPeriodosPorDia; ++j) {
                        const std::size_t s = i * 7 + static_cast<std::size_t>(dia) * 3 + j;
                        escribir({m[s], "CCM", dia, hora(dia, j), g[i], p[s * 7 + i], a[i + j]});
                        if (azar.porMil(550)) {
                            escribir(
                                {m[s + azar.menorQue(2)], "CCM", dia, hora(dia, j), g[i],
                                 p[s * 7 + i + 1 + azar.menorQue(std::max<std::size_t>(1, p.cuantos - 1))],
                                 a[i + j + 20]});
                        }
                    }
                }
            }
            for (std::size_t i = 0; i < p.cuantos; ++i) {
                for (int k = 0; k < kTareasPorProfesor; ++k) {
                    const std::string& tipo = t[azar.menorQue(t.cuantos)];
                    const int dia = 1 + static_cast<int>(azar.menorQue(kDias));
                    escribir({tipo, tipo, dia, hora(dia, azar.menorQue(kPeriodosPorDia)),
                              azar.porMil(150) ? g[azar.menorQue(g.cuantos)] : "", p[i],
                              azar.porMil(300) ? a[azar.menorQue(a.cuantos)] : ""});
                }
            }
        }
        soluc.close();
        std::cout << "SOLUC: " << total << " registros\n";
    } catch (const vinculor::Error& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
