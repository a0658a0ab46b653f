#include "run/RunSummary.h"

#include "text/Json.h"

#include <sstream>

namespace vinculor {

namespace {

void listSection(std::ostringstream& out, const std::string& title, const std::vector<std::string>& items) {
    if (items.empty()) {
        return;
    }
    out << title << " (" << items.size() << "):\n";
    for (const std::string& item : items) {
        out << "  " << item << "\n";
    }
}

void listSection(std::ostringstream& out, const std::string& title, const RunSummary::CappedList& list) {
    if (list.total == 0) {
        return;
    }
    out << title << " (" << list.total << "):\n";
    for (const std::string& item : list.shown) {
        out << "  " << item << "\n";
    }
    if (list.total > list.shown.size()) {
        out << "  y " << list.total - list.shown.size() << " más\n";
    }
}

std::string jsonList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i != 0) {
            out += ", ";
        }
        out += json::quote(items[i]);
    }
    return out + "]";
}

std::string jsonList(const RunSummary::CappedList& list) {
    return "{\"total\": " + std::to_string(list.total) + ", \"primeros\": " + jsonList(list.shown) + "}";
}

void timetableText(std::ostringstream& out, const RunSummary& s) {
    if (!s.timetableFile.empty()) {
        out << "Horario: " << s.timetableFile << "\n";
        // One fact a line: the report's box does not wrap them.
        out << "Comprobación del horario:\n  en dos sitios a la vez: " << s.groupClashes << " grupos, "
            << s.teacherClashes << " profesores y " << s.roomClashes << " aulas\n"
            << "  materias de grupo con sesiones distintas de las previstas: " << s.hoursDiffering << "\n";
    }
    if (!s.timetableError.empty()) {
        out << "No se ha escrito el horario: " << s.timetableError << "\n";
    }
}

} // namespace

void RunSummary::setTableCount(const std::string& table, std::size_t records) {
    for (TableCount& entry : tables) {
        if (entry.table == table) {
            entry.records = records;
            return;
        }
    }
    tables.push_back({table, records});
}

std::string RunSummary::toText() const {
    std::ostringstream out;
    if (!inputFile.empty()) {
        out << "Archivo XML: " << inputFile << "\n";
    }
    if (!horaviaDir.empty()) {
        out << "Directorio de Horavia: " << horaviaDir << "\n";
    }
    listSection(out, "Recuperación de ejecuciones interrumpidas", recovered);
    if (direction == "importar" || direction == "horario") {
        out << "Registros de SOLUC: " << solucRecords << "\n";
        out << "Actividades escritas: " << lessons + tasks << " (" << lessons << " clases, " << tasks
            << " tareas)\n";
        const std::size_t skipped =
            skippedDayOrSlotZero + skippedGroupNotFound + skippedSubjectNotFound + skippedSlotNotFound;
        if (skipped > 0) {
            out << "Registros omitidos: " << skipped << "\n";
            const std::pair<const char*, std::size_t> reasons[] = {
                {"día u hora 0", skippedDayOrSlotZero},
                {"grupo no encontrado en GRUPOST", skippedGroupNotFound},
                {"materia o actividad no encontrada en ASIGNOMT", skippedSubjectNotFound},
                {"franja horaria no encontrada en DIASHORAST", skippedSlotNotFound},
            };
            for (const auto& [reason, count] : reasons) {
                if (count > 0) {
                    out << "  " << reason << ": " << count << "\n";
                }
            }
        }
        listSection(out,
                    "Profesores de SOLUC que no están en PROFT: sus actividades se escriben sin profesor "
                    "(profesor: registros)",
                    teachersNotFound);
        listSection(
            out,
            "Aulas de SOLUC que no están en AULAT: sus actividades se escriben sin aula (aula: registros)",
            roomsNotFound);
        if (valuesWithControlCharacters > 0) {
            out << "Valores con caracteres de control, escritos con «?» en su lugar: "
                << valuesWithControlCharacters << "\n";
        }
        if (!outputFile.empty()) {
            out << "Documento: " << outputFile << "\n";
        }
        timetableText(out, *this);
        return out.str();
    }

    if (!tables.empty()) {
        out << "Tablas escritas:\n";
        for (const TableCount& t : tables) {
            out << "  " << t.table << ": " << t.records << (t.records == 1 ? " registro" : " registros")
                << "\n";
        }
    }
    std::vector<std::string> changes;
    for (const CodeChange& c : codeChanges) {
        changes.push_back(c.table + ": «" + c.original + "» → «" + c.written + "»");
    }
    listSection(out, "Códigos cambiados por repetidos o largos", changes);
    std::vector<std::string> omitted;
    for (const Omission& o : omissions) {
        omitted.push_back(o.table + ": «" + o.code + "», " + o.reason);
    }
    listSection(out, "Elementos sin registro", omitted);
    listSection(out,
                "Códigos que reciben dos elementos distintos (Horavia los tomará por uno solo; dé a uno otro "
                "código en Pincel-eKade)",
                codesShared);
    listSection(out, "Tutores que no están en PROFT (grupo: tutor)", tutorsNotFound);
    listSection(out, "Enseñanzas no encontradas (grupo: enseñanza)", teachingsNotFound);
    listSection(out, "Departamentos no encontrados (profesor: departamento)", departmentsNotFound);
    listSection(
        out, "Materias de grupo que no están entre las materias ni los tipos de actividad (materia: grupos)",
        subjectsNotFound);
    listSection(
        out,
        "Materias que volverán a Pincel-eKade con el código de otra (la importación devuelve sus diez "
        "primeros caracteres)",
        subjectsReturnedAlike);
    listSection(
        out,
        "Sesiones que coinciden en el tiempo (Horavia las toma por horas distintas: una clase en cada "
        "una estaría en dos sitios a la vez)",
        sessionsOverlapping);
    listSection(out, "Sesiones que terminan antes de empezar, o cuando empiezan", sessionsBackwards);
    return out.str();
}

std::string RunSummary::toJson() const {
    std::ostringstream out;
    out << "{\n  \"direccion\": " << json::quote(direction) << ",\n  \"archivo\": " << json::quote(inputFile)
        << ",\n  \"directorioHoravia\": " << json::quote(horaviaDir);
    out << ",\n  \"recuperado\": " << jsonList(recovered);
    if (direction == "importar" || direction == "horario") {
        out << ",\n  \"registrosSoluc\": " << solucRecords << ",\n  \"clases\": " << lessons
            << ",\n  \"tareas\": " << tasks
            << ",\n  \"omitidos\": {\"diaOHoraCero\": " << skippedDayOrSlotZero
            << ", \"grupoNoEncontrado\": " << skippedGroupNotFound
            << ", \"materiaNoEncontrada\": " << skippedSubjectNotFound
            << ", \"franjaNoEncontrada\": " << skippedSlotNotFound
            << "},\n  \"profesoresNoEncontrados\": " << jsonList(teachersNotFound)
            << ",\n  \"aulasNoEncontradas\": " << jsonList(roomsNotFound)
            << ",\n  \"valoresConCaracteresDeControl\": " << valuesWithControlCharacters
            << ",\n  \"documento\": " << json::quote(outputFile)
            << ",\n  \"horario\": " << json::quote(timetableFile)
            << ",\n  \"comprobacion\": {\"gruposEnDosSitios\": " << groupClashes
            << ", \"profesoresEnDosSitios\": " << teacherClashes << ", \"aulasEnDosSitios\": " << roomClashes
            << ", \"materiasConSesionesDistintas\": " << hoursDiffering << "}";
        if (!timetableError.empty()) {
            out << ",\n  \"errorHorario\": " << json::quote(timetableError);
        }
        out << "\n}\n";
        return out.str();
    }
    out << ",\n  \"tablas\": {";
    for (std::size_t i = 0; i < tables.size(); ++i) {
        out << (i == 0 ? "" : ", ") << json::quote(tables[i].table) << ": " << tables[i].records;
    }
    out << "},\n  \"codigosCambiados\": [";
    for (std::size_t i = 0; i < codeChanges.size(); ++i) {
        const CodeChange& c = codeChanges[i];
        out << (i == 0 ? "" : ", ") << "{\"tabla\": " << json::quote(c.table)
            << ", \"original\": " << json::quote(c.original) << ", \"escrito\": " << json::quote(c.written)
            << "}";
    }
    out << "],\n  \"sinRegistro\": [";
    for (std::size_t i = 0; i < omissions.size(); ++i) {
        const Omission& o = omissions[i];
        out << (i == 0 ? "" : ", ") << "{\"tabla\": " << json::quote(o.table)
            << ", \"codigo\": " << json::quote(o.code) << ", \"motivo\": " << json::quote(o.reason) << "}";
    }
    out << "],\n  \"codigosCompartidos\": " << jsonList(codesShared)
        << ",\n  \"tutoresNoEncontrados\": " << jsonList(tutorsNotFound)
        << ",\n  \"ensenanzasNoEncontradas\": " << jsonList(teachingsNotFound)
        << ",\n  \"departamentosNoEncontrados\": " << jsonList(departmentsNotFound)
        << ",\n  \"materiasDeGrupoNoEncontradas\": " << jsonList(subjectsNotFound)
        << ",\n  \"materiasQueVuelvenConOtroCodigo\": " << jsonList(subjectsReturnedAlike)
        << ",\n  \"sesionesQueCoinciden\": " << jsonList(sessionsOverlapping)
        << ",\n  \"sesionesAlReves\": " << jsonList(sessionsBackwards) << "\n}\n";
    return out.str();
}

} // namespace vinculor
