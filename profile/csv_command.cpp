#include "profile/csv_command.h"

int run_csv_command(const std::vector<std::string>&, std::FILE*, std::FILE* err)
{
    std::fputs("brinewick: --csv is not available yet\n", err);
    return 2;
}
