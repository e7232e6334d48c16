// The console of both programs: lines and prompts to the user, answer lines
// from the user, and the window dressing (title, colours, window size).
//
// It works over any pair of streams, so a whole dialogue can be driven from a
// string. Console lines end with the platform's line end ("\n", which a
// Windows text-mode stream turns into CR LF).
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace platform {

struct ConsoleSize {
    int width = 0;
    int height = 0;
};

class Console {
public:
    // A console over the given streams. `realConsole` tells whether `out` is
    // the process's own standard output attached to a terminal (a real
    // console window on Windows); only then does any title, colour or window
    // call reach it.
    Console(std::istream& in, std::ostream& out, bool realConsole = false);
    // Gives the terminal back what the run changed (restoreTerminal()).
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // The console of the process: standard input and output, with the
    // terminal test done on standard output.
    static Console standard();

    // Text followed by a line end.
    void writeLine(std::string_view text);
    // Text without a line end (not flushed).
    void write(std::string_view text);
    // Text without a line end, flushed: the answer is typed behind it.
    void writePrompt(std::string_view text);
    // Ends the current line.
    void endLine();
    void flush();

    // Reads one answer line (a trailing CR is dropped). At the end of input
    // the answer is empty and the result is false; inputEnded() then stays
    // true.
    bool readLine(std::string& answer);
    std::string readLine();
    bool inputEnded() const { return ended_; }
    // Reads and discards one line; at the end of input it just returns.
    void waitForEnter();

    // Window dressing. On Windows the real console calls; elsewhere only a
    // title and colours, as escape sequences, and only on a terminal. Never
    // anything into a pipe or a file.
    bool isRealConsole() const { return realConsole_; }
    void setTitle(std::string_view title);
    // Windows text attribute: bits 0-3 foreground, 4-7 background
    // (1 blue, 2 green, 4 red, 8 intensity).
    void setTextAttribute(int attribute);
    // Largest window the screen allows, in character cells ({0, 0} when unknown).
    ConsoleSize largestWindowSize();
    void setBufferSize(int width, int height);
    void setWindowRect(int left, int top, int right, int bottom);
    // Fills the buffer in the current colours: `rows` writes of `width` blanks.
    void paintBuffer(int width, int rows);
    void setCursorPosition(int column, int row);

    // The colours and the title as they were before the run set them (on a
    // terminal: its default colours, and the title it had, taken back from
    // its title stack). Done by the destructor at every end of the run, and
    // by the interrupt handler when the console is the process's own.
    void restoreTerminal();

private:
    Console(std::istream& in, std::ostream& out, bool realConsole, bool processConsole);
    void holdRestoreForInterrupts();

    std::istream& in_;
    std::ostream& out_;
    bool realConsole_;
    bool processConsole_ = false;  // standard(): the interrupt handler restores it too
    bool ended_ = false;
    bool coloured_ = false;  // colours set since the start or the last restore
    bool titled_ = false;    // the title likewise
#ifdef _WIN32
    unsigned short originalAttribute_ = 0;
    std::string originalTitle_;
#endif
};

}  // namespace platform
