#include "Figlio.h"

#include <sys/wait.h>
#include <unistd.h>

namespace {
// The exit code of a child that could not send its bytes back.
constexpr int kNonInviato = 127;
} // namespace

std::optional<EsitoFiglio> InUnFiglio(const std::function<int(QByteArray& uscita)>& lavoro) {
    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        close(fds[0]);
        QByteArray uscita;
        const int codice = lavoro(uscita);
        const bool inviato = write(fds[1], uscita.constData(), size_t(uscita.size())) == uscita.size();
        _exit(inviato ? codice : kNonInviato);
    }
    close(fds[1]);
    EsitoFiglio esito;
    char buf[512];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        esito.uscita.append(buf, n);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == kNonInviato)
        return std::nullopt;
    esito.codice = WEXITSTATUS(status);
    return esito;
}

bool SenzaPrivilegi() {
    return setgid(65534) == 0 && setuid(65534) == 0;
}
