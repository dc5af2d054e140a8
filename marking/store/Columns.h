#pragma once

// The names of the tables and columns of the three database files, as the
// schema defines them (Schema.cpp builds its tables from these) and as every
// caller spells them:
//
//   rs.Field(store::col::P_PipeSide)
//   rs.SetField(store::col::W_Data, text)
//   store::QueryText::ByKey(store::Table::MarkingWork, id)
//
// The constants convert to QString where one is wanted.

#include <QLatin1StringView>
#include <QString>

namespace marking::store {

// The tables the program queries. WorkReport is a table of Report.mdb and,
// with the grid's texts, of Print.mdb.
enum class Table {
    ProgramSetting,
    MarkingSetting,
    MarkingWork,
    CarvingWork,
    SpecialLetter,
    WorkReport,
};

inline constexpr Table kAllTables[] = {Table::ProgramSetting, Table::MarkingSetting,
                                       Table::MarkingWork,    Table::CarvingWork,
                                       Table::SpecialLetter,  Table::WorkReport};

constexpr QLatin1StringView TableName(Table table) {
    switch (table) {
    case Table::ProgramSetting:
        return QLatin1StringView("ProgramSetting");
    case Table::MarkingSetting:
        return QLatin1StringView("MarkingSetting");
    case Table::MarkingWork:
        return QLatin1StringView("MarkingWork");
    case Table::CarvingWork:
        return QLatin1StringView("CarvingWork");
    case Table::SpecialLetter:
        return QLatin1StringView("SpecialLetter");
    case Table::WorkReport:
        return QLatin1StringView("WorkReport");
    }
    return QLatin1StringView();
}

namespace col {

// Each constant's text is its own name, so the two cannot differ.
#define MARKING_STORE_COLUMN(name) inline constexpr QLatin1StringView name{#name};

// ProgramSetting (Database.mdb): the one settings row.
MARKING_STORE_COLUMN(P_ID)
MARKING_STORE_COLUMN(P_SingleMarking)
MARKING_STORE_COLUMN(P_ContinuityMarking)
MARKING_STORE_COLUMN(P_FileMarking)
MARKING_STORE_COLUMN(P_PrintControler)
MARKING_STORE_COLUMN(P_CarvingMachine)
MARKING_STORE_COLUMN(P_PLC)
MARKING_STORE_COLUMN(P_PrintControlerComPort)
MARKING_STORE_COLUMN(P_CarvingMachineComPort)
MARKING_STORE_COLUMN(P_PLCComPort)
MARKING_STORE_COLUMN(P_PipeSide)
MARKING_STORE_COLUMN(P_LetterIntervalDotVolume)
MARKING_STORE_COLUMN(P_HeadHome)
MARKING_STORE_COLUMN(P_GAP)
MARKING_STORE_COLUMN(P_DotDimension)
MARKING_STORE_COLUMN(P_Revision)
MARKING_STORE_COLUMN(P_Pulse)
MARKING_STORE_COLUMN(P_StopperPulse)
MARKING_STORE_COLUMN(P_MarkingWorkDeleteCheck)
MARKING_STORE_COLUMN(P_NullRecordDelete)
MARKING_STORE_COLUMN(P_FileMarkingDataIntervalCheck)

// MarkingSetting (Database.mdb): registered marking texts.
MARKING_STORE_COLUMN(M_ID)
MARKING_STORE_COLUMN(M_MarkingMethod)
MARKING_STORE_COLUMN(M_Data)

// MarkingWork (Database.mdb): the work list.
MARKING_STORE_COLUMN(W_ID)
MARKING_STORE_COLUMN(W_MarkingMethod)
MARKING_STORE_COLUMN(W_Data)
MARKING_STORE_COLUMN(W_Length)
MARKING_STORE_COLUMN(W_Pi)
MARKING_STORE_COLUMN(W_PipeVolume)
MARKING_STORE_COLUMN(W_Parenthesis)
MARKING_STORE_COLUMN(W_WorkTeam)
MARKING_STORE_COLUMN(W_Reptition)
MARKING_STORE_COLUMN(W_LengthYesorNo)
MARKING_STORE_COLUMN(W_UnitYesorNo)

// CarvingWork (Database.mdb): the carving setting.
MARKING_STORE_COLUMN(C_ID)
MARKING_STORE_COLUMN(C_CarvingPipe)
MARKING_STORE_COLUMN(C_CarvingData)

// SpecialLetter (Database.mdb): the HVL-5 special letters.
MARKING_STORE_COLUMN(S_ID)
MARKING_STORE_COLUMN(S_SpecialLetter)
MARKING_STORE_COLUMN(S_FunctionKey)
MARKING_STORE_COLUMN(S_ControllerAddress)

// WorkReport (Report.mdb; Print.mdb adds R_NO and holds every column as text).
MARKING_STORE_COLUMN(R_ID)
MARKING_STORE_COLUMN(R_NO)
MARKING_STORE_COLUMN(R_Date)
MARKING_STORE_COLUMN(R_WorkTeam)
MARKING_STORE_COLUMN(R_MarkingMethod)
MARKING_STORE_COLUMN(R_Data)
MARKING_STORE_COLUMN(R_Length)
MARKING_STORE_COLUMN(R_WorkVolume)

#undef MARKING_STORE_COLUMN

} // namespace col

// The key column of a table.
constexpr QLatin1StringView KeyColumn(Table table) {
    switch (table) {
    case Table::ProgramSetting:
        return col::P_ID;
    case Table::MarkingSetting:
        return col::M_ID;
    case Table::MarkingWork:
        return col::W_ID;
    case Table::CarvingWork:
        return col::C_ID;
    case Table::SpecialLetter:
        return col::S_ID;
    case Table::WorkReport:
        return col::R_ID;
    }
    return QLatin1StringView();
}

} // namespace marking::store
