// The floor of each run: only the work that no way of doing the run can avoid,
// on the same input, to compare the run with.
//
//   suelo exportar CENTRO.xml DIR BYTES...
//       parses the XML file with expat and writes one file per number in
//       DIR, each of that many bytes (the sizes of the seven tables);
//   suelo importar CENTRO.xml HTEMP SALIDA.xml BYTES [HORARIO.html BYTES]
//       parses the XML file, reads every byte of the six tables that the
//       import reads from HTEMP (SOLUC and the five it looks codes up in) and
//       writes BYTES bytes to SALIDA.xml (the size of the document that the
//       import writes) and, when given, to the timetable's page.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <expat.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kBloque = 1 << 20;

[[noreturn]] void fallo(const std::string& que) {
    std::fprintf(stderr, "suelo: %s: %s\n", que.c_str(), std::strerror(errno));
    std::exit(1);
}

struct Cuenta {
    int profundidad = 0;
    std::size_t elementos = 0; // children of the root
};

// Parses the file with the parser that the runs use, in one streaming pass
// that keeps nothing: the least that reading a conforming document costs.
std::size_t analizar(const char* xml) {
    const int fd = ::open(xml, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        fallo(xml);
    }
    XML_Parser parser = XML_ParserCreate(nullptr);
    Cuenta cuenta;
    XML_SetUserData(parser, &cuenta);
    XML_SetElementHandler(
        parser,
        [](void* datos, const XML_Char*, const XML_Char**) {
            auto* c = static_cast<Cuenta*>(datos);
            if (++c->profundidad == 2) {
                ++c->elementos;
            }
        },
        [](void* datos, const XML_Char*) { --static_cast<Cuenta*>(datos)->profundidad; });
    for (;;) {
        void* bloque = XML_GetBuffer(parser, 1 << 16);
        const ssize_t n = bloque == nullptr ? -1 : ::read(fd, bloque, 1 << 16);
        if (n < 0) {
            fallo(xml);
        }
        if (XML_ParseBuffer(parser, static_cast<int>(n), n == 0) != XML_STATUS_OK) {
            errno = EINVAL;
            fallo(std::string(xml) + " (" + XML_ErrorString(XML_GetErrorCode(parser)) + ")");
        }
        if (n == 0) {
            break;
        }
    }
    XML_ParserFree(parser);
    ::close(fd);
    return cuenta.elementos;
}

void escribir(const std::string& ruta, std::size_t bytes) {
    static const std::vector<char> relleno(kBloque, ' ');
    const int fd = ::open(ruta.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        fallo(ruta);
    }
    while (bytes > 0) {
        const std::size_t n = bytes < kBloque ? bytes : kBloque;
        const ssize_t w = ::write(fd, relleno.data(), n);
        if (w <= 0) {
            fallo(ruta);
        }
        bytes -= static_cast<std::size_t>(w);
    }
    if (::close(fd) != 0) {
        fallo(ruta);
    }
}

std::size_t leer(const char* ruta) {
    const int fd = ::open(ruta, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        fallo(ruta);
    }
    std::vector<char> buffer(kBloque);
    std::size_t total = 0;
    for (;;) {
        const ssize_t r = ::read(fd, buffer.data(), buffer.size());
        if (r < 0) {
            fallo(ruta);
        }
        if (r == 0) {
            break;
        }
        total += static_cast<std::size_t>(r);
    }
    ::close(fd);
    return total;
}

std::size_t numero(const char* texto) {
    char* fin = nullptr;
    const unsigned long long n = std::strtoull(texto, &fin, 10);
    if (fin == texto || *fin != '\0') {
        std::fprintf(stderr, "suelo: «%s» no es un número de bytes\n", texto);
        std::exit(2);
    }
    return static_cast<std::size_t>(n);
}

} // namespace

int main(int argc, char** argv) {
    const std::string orden = argc > 1 ? argv[1] : "";
    if (orden == "exportar" && argc >= 5) {
        analizar(argv[2]);
        for (int i = 4; i < argc; ++i) {
            escribir(std::string(argv[3]) + "/TABLA" + std::to_string(i - 3) + ".DBF", numero(argv[i]));
        }
        return 0;
    }
    if (orden == "importar" && (argc == 6 || argc == 8)) {
        analizar(argv[2]);
        for (const char* tabla : {"SOLUC", "GRUPOST", "PROFT", "AULAT", "ASIGNOMT", "DIASHORAST"}) {
            leer((std::string(argv[3]) + "/" + tabla + ".DBF").c_str());
        }
        escribir(argv[4], numero(argv[5]));
        if (argc == 8) {
            escribir(argv[6], numero(argv[7]));
        }
        return 0;
    }
    std::fprintf(stderr, "Uso: suelo exportar CENTRO.xml DIR BYTES...\n"
                         "     suelo importar CENTRO.xml HTEMP SALIDA.xml BYTES [HORARIO.html BYTES]\n");
    return 2;
}
