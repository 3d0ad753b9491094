#pragma once
// The C library writes and reads decimal numbers after the locale's LC_NUMERIC: under an
// Italian or German locale printf("%g", 0.7) gives "0,7". Qt never asks it (QLocale formats
// the numbers we show), but a library that writes a file format with printf does: the
// workbook's XML would hold "43014,53" where every reader wants "43014.53". So the C
// library's numbers stay in the C locale, while everything else follows the user's.

namespace vellora {

// For the whole process. Call it right after the Q*Application exists: its constructor sets
// every category from the environment (Qt's documentation gives the same advice).
void useCNumbers();

// For the calling thread, for one scope, whatever the process's locale: the library's work
// may run on any thread of any host, tests included.
class CNumbersHere
{
public:
    CNumbersHere();
    ~CNumbersHere();
    CNumbersHere(const CNumbersHere&) = delete;
    CNumbersHere& operator=(const CNumbersHere&) = delete;

private:
    void* m_saved = nullptr; // the thread's locale before
};

} // namespace vellora
