/* Started once by the Wine wrapper: if this prints its line, Wine can run programs of this build. */
#include <stdio.h>

int main(void) {
    puts("wine-probe ok");
    return 0;
}
