#include "reader/reader_table.h"

#include "cdl/reads.h"
#include "display/reads.h"
#include "overview/reads.h"
#include "profile/reads.h"

const ReaderTable& AllReaders()
{
    static const ReaderTable table = [] {
        ReaderTable t;
        t.Add<TextRead>();
        t.Add<HeaderRead>();
        t.Add<ToolsInfoRead>();
        t.Add<SummariesRead>();
        t.Add<CsvVariablesRead>();
        t.Add<LevelArrayRead>();
        t.Add<ProfileLevelsRead>();
        t.Add<ProfileFlagsRead>();
        t.Add<ParameterSeriesRead>();
        t.Add<CsvWriteRead>();
        t.Add<CsvTextRead>();
        t.Add<ProfileTableRead>();
        t.Add<AxisTitlesRead>();
        t.Add<TrackRead>();
        t.Add<SectionVariablesRead>();
        t.Add<SectionRead>();
        return t;
    }();
    return table;
}

FileReader& LocalReader()
{
    static InProcessReader reader(AllReaders());
    return reader;
}
