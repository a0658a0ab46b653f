// simulador-horavia DIRECTORIO_HTEMP: writes a plausible SOLUC from the tables
// that "vinculor-cli exportar" left in the directory. For demonstrations and
// tests only; see SimuladorHoravia.cpp for the rules it follows.

#include "SimuladorHoravia.h"
#include "base/Error.h"
#include "files/FileSystem.h"
#include "run/ProgramArguments.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args = vinculor::programArguments(argc, argv);
    const std::string uso =
        "Uso: simulador-horavia DIRECTORIO_HTEMP\n"
        "Escribe en DIRECTORIO_HTEMP una tabla SOLUC de prueba a partir de las tablas que\n"
        "deja «vinculor-cli exportar». Es un simulador para demostraciones y pruebas:\n"
        "no calcula un horario real.\n";
    if (args.size() == 2 && (args[1] == "--help" || args[1] == "-h")) {
        std::cout << uso;
        return 0;
    }
    if (args.size() != 2) {
        std::cerr << uso;
        return 2;
    }
    try {
        const simulador::Resumen resumen = simulador::simularHorario(vinculor::files::fromUtf8(args[1]));
        std::cout << "Simulador de Horavia (solo para demostraciones y pruebas)\n" << resumen.texto();
        return 0;
    } catch (const vinculor::Error& e) {
        std::cerr << e.what() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "Error inesperado: " << e.what() << "\n";
    }
    return 1;
}
