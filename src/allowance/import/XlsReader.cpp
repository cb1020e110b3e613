// .xls workbooks (BIFF) through freexl: the first worksheet's cells. freexl
// already tells dates from numbers by their cell format.
//
// freexl reads past its buffers on some damaged workbooks (found by the
// readers' fuzz suite), which would take the host program down with it. The
// workbook is therefore read in a child process that hands the cells back
// through a pipe; a child that fails or dies is a file refused.
#include "allowance/import/SheetReader.h"

#include <QElapsedTimer>
#include <QFile>

#include <freexl.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sheet {

namespace {

// What the child writes: per cell a kind byte, then an 8-byte integer or
// double, or a 4-byte length and UTF-8 bytes. Exit status 0 when complete.
enum CellKind : char { Empty = 0, Integer = 1, Number = 2, Text = 3 };
enum ChildStatus { Done = 0, OpenFailed = 10, Protected, NoSheet, TooLarge, CellFailed, PipeFailed };

bool writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

// Runs in the child: no Qt, only freexl and the pipe.
int readInChild(const char* path, int columns, int out) {
    const void* handle = nullptr;
    // freexl answers some damage (an empty shared string among it) with
    // success and no workbook.
    if (freexl_open(path, &handle) != FREEXL_OK || !handle)
        return OpenFailed;
    unsigned int info = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &info) != FREEXL_OK || info == FREEXL_BIFF_OBFUSCATED)
        return Protected;
    if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0 ||
        freexl_select_active_worksheet(handle, 0) != FREEXL_OK)
        return NoSheet;
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(handle, &rows, &cols) != FREEXL_OK)
        return NoSheet;
    if (rows > unsigned(limits::rows))
        return TooLarge;
    const unsigned short wanted = (unsigned short)(columns < cols ? columns : cols);
    const quint32 header[2] = {rows, wanted};
    if (!writeAll(out, header, sizeof header))
        return PipeFailed;
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < wanted; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle, r, c, &cell) != FREEXL_OK)
                return CellFailed;
            bool ok = true;
            switch (cell.type) {
            case FREEXL_CELL_INT: {
                const char kind = Integer;
                const qint64 v = cell.value.int_value;
                ok = writeAll(out, &kind, 1) && writeAll(out, &v, 8);
                break;
            }
            case FREEXL_CELL_DOUBLE: {
                const char kind = Number;
                ok = writeAll(out, &kind, 1) && writeAll(out, &cell.value.double_value, 8);
                break;
            }
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME: {
                const char kind = Text;
                const char* text = cell.value.text_value ? cell.value.text_value : "";
                const size_t len = strnlen(text, size_t(limits::cellChars) * 4 + 1);
                if (len > size_t(limits::cellChars) * 4)
                    return TooLarge;
                const quint32 n = quint32(len);
                ok = writeAll(out, &kind, 1) && writeAll(out, &n, 4) && writeAll(out, text, len);
                break;
            }
            default: {
                const char kind = Empty;
                ok = writeAll(out, &kind, 1);
            }
            }
            if (!ok)
                return PipeFailed;
        }
    }
    freexl_close(handle);
    return Done;
}

class ChildReader {
public:
    explicit ChildReader(const QByteArray& bytes) : m_bytes(bytes) {}
    template <typename T> T take() {
        T v;
        need(sizeof v);
        char* to = reinterpret_cast<char*>(&v);
        for (size_t i = 0; i < sizeof v; ++i)
            to[i] = m_bytes.at(m_at++);
        return v;
    }
    QByteArray takeBytes(qsizetype n) {
        need(size_t(n));
        const QByteArray out = m_bytes.mid(m_at, n);
        m_at += n;
        return out;
    }
    bool atEnd() const { return m_at == m_bytes.size(); }

private:
    void need(size_t n) const {
        if (qsizetype(n) > m_bytes.size() - m_at)
            throw SheetError{QStringLiteral("the workbook reader's answer is cut short")};
    }
    const QByteArray& m_bytes;
    qsizetype m_at = 0;
};

} // namespace

Rows readXls(const QString& path, int columns, int timeoutMs) {
    const QByteArray name = QFile::encodeName(path);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw SheetError{QStringLiteral("no pipe for the workbook reader")};
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw SheetError{QStringLiteral("the workbook reader cannot be started")};
    }
    if (child == 0) {
        ::close(fds[0]);
        // A fault inside freexl is a refused file, not a report on the operator's console.
        const int devNull = ::open("/dev/null", O_WRONLY);
        if (devNull >= 0)
            ::dup2(devNull, 2);
        ::_exit(readInChild(name.constData(), columns, fds[1]));
    }
    ::close(fds[1]);
    // Bounded: every cell's text is, and so is the row count.
    const qint64 maxAnswer = 512LL * 1024 * 1024;
    QByteArray answer;
    char buffer[65536];
    bool tooLong = false;
    QElapsedTimer clock;
    clock.start();
    bool timedOut = false;
    for (;;) {
        // freexl loops on some damaged workbooks: the child gets a deadline.
        pollfd wait{fds[0], POLLIN, 0};
        const qint64 left = timeoutMs - clock.elapsed();
        const int ready = left > 0 ? ::poll(&wait, 1, int(left)) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            timedOut = true;
            ::kill(child, SIGKILL);
            break;
        }
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (answer.size() + n > maxAnswer) {
            tooLong = true;
            ::kill(child, SIGKILL);
            break;
        }
        answer.append(buffer, qsizetype(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (tooLong)
        throw SheetError{QStringLiteral("the workbook holds too much")};
    if (timedOut)
        throw SheetError{QStringLiteral("the workbook was not read within %1 ms").arg(timeoutMs)};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != Done)
        throw SheetError{
            WIFEXITED(status)
                ? QStringLiteral("the workbook cannot be read (freexl step %1)").arg(WEXITSTATUS(status))
                : QStringLiteral("the workbook reader stopped on signal %1").arg(WTERMSIG(status))};

    ChildReader in(answer);
    const quint32 rowCount = in.take<quint32>();
    const quint32 wanted = in.take<quint32>();
    if (rowCount > quint32(limits::rows) || wanted > quint32(columns))
        throw SheetError{QStringLiteral("the workbook reader's answer is out of range")};
    Rows rows;
    rows.reserve(int(rowCount));
    for (quint32 r = 0; r < rowCount; ++r) {
        QStringList row;
        for (quint32 c = 0; c < wanted; ++c) {
            switch (in.take<char>()) {
            case Integer:
                row << QString::number(in.take<qint64>());
                break;
            case Number:
                row << numberText(in.take<double>());
                break;
            case Text: {
                const QString text = QString::fromUtf8(in.takeBytes(qsizetype(in.take<quint32>())));
                if (text.size() > limits::cellChars)
                    throw SheetError{
                        QStringLiteral("a cell longer than %1 characters").arg(limits::cellChars)};
                row << text;
                break;
            }
            default:
                row << QString();
            }
        }
        while (row.size() < columns)
            row << QString();
        rows << row;
    }
    if (!in.atEnd())
        throw SheetError{QStringLiteral("the workbook reader's answer runs on")};
    return rows;
}

} // namespace sheet
