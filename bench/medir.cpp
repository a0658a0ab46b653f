// Runs one program and reports its whole-process wall time, CPU time and peak
// memory.
//
//   medir [--registro ARCHIVO] -- PROGRAMA ARGUMENTOS...
//
// Prints "SEGUNDOS CPU KILOBYTES": the time from starting the process to its
// end, the CPU time it used (user and system), and its peak resident memory
// (getrusage's ru_maxrss of the child). The
// program's own output goes to ARCHIVO, or is dropped. Exits with 1 and a
// message when the program fails.

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

int main(int argc, char** argv) {
    const char* registro = "/dev/null";
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "--registro") == 0) {
        registro = argv[i + 1];
        i += 2;
    }
    if (i < argc && std::strcmp(argv[i], "--") == 0) {
        ++i;
    }
    if (i >= argc) {
        std::fprintf(stderr, "Uso: medir [--registro ARCHIVO] -- PROGRAMA ARGUMENTOS...\n");
        return 2;
    }

    posix_spawn_file_actions_t acciones;
    posix_spawn_file_actions_init(&acciones);
    posix_spawn_file_actions_addopen(&acciones, STDOUT_FILENO, registro, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&acciones, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&acciones, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    const auto inicio = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int e = posix_spawnp(&pid, argv[i], &acciones, nullptr, argv + i, environ);
    posix_spawn_file_actions_destroy(&acciones);
    if (e != 0) {
        std::fprintf(stderr, "medir: no se puede ejecutar %s: %s\n", argv[i], std::strerror(e));
        return 1;
    }
    int estado = 0;
    rusage uso{};
    while (wait4(pid, &estado, 0, &uso) < 0) {
        if (errno != EINTR) {
            std::fprintf(stderr, "medir: %s\n", std::strerror(errno));
            return 1;
        }
    }
    const std::chrono::duration<double> segundos = std::chrono::steady_clock::now() - inicio;
    if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0) {
        std::fprintf(stderr, "medir: %s terminó con estado %d (salida en %s)\n", argv[i],
                     WIFEXITED(estado) ? WEXITSTATUS(estado) : -1, registro);
        return 1;
    }
    const auto enSegundos = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    const double cpu = enSegundos(uso.ru_utime) + enSegundos(uso.ru_stime);
    std::printf("%.6f %.6f %ld\n", segundos.count(), cpu, uso.ru_maxrss);
    return 0;
}
