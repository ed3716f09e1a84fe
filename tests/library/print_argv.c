/* Writes its arguments after the first, one a line, to the file named by the
   first, through a temporary name so that a reader never sees half of it. */
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    char temp[4096];
    if (snprintf(temp, sizeof temp, "%s.part", argv[1]) >= (int)sizeof temp) return 2;
    FILE* f = fopen(temp, "w");
    if (!f) return 1;
    for (int i = 2; i < argc; ++i) fprintf(f, "%s\n", argv[i]);
    if (fclose(f) != 0) return 1;
    return rename(temp, argv[1]) == 0 ? 0 : 1;
}
