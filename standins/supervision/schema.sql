-- The supervision system's two SQLite databases, in one file. A line "-- database: NAME" starts the
-- statements of database NAME; statements end with ";" at the end of a line.
-- Conventions: names as the SQL Server databases have them; date-times are text "YYYY-MM-DD HH:MM:SS" in
-- local time; identity columns are INTEGER PRIMARY KEY AUTOINCREMENT, so sqlite_sequence holds what
-- IDENT_CURRENT gives; AlarmState is 0 or 1.

-- database: _AcquiredDB_x
CREATE TABLE FlashAlarms (
    Id_flashalarm INTEGER PRIMARY KEY AUTOINCREMENT,
    Alarmcode INTEGER NOT NULL,
    Ref_virtinstrumentid TEXT NOT NULL,
    TimeStamp TEXT NOT NULL,
    AlarmState INTEGER NOT NULL DEFAULT 0 CHECK (AlarmState IN (0, 1))
);
CREATE INDEX IX_FlashAlarms_TimeStamp ON FlashAlarms (TimeStamp);
CREATE TABLE HistoricalData (
    ID_histreg INTEGER PRIMARY KEY AUTOINCREMENT,
    Ref_virtinstrumentid TEXT,
    Timestamp TEXT NOT NULL,
    Value REAL
);
CREATE INDEX IX_HistoricalData ON HistoricalData (Timestamp);
CREATE TABLE TemporaryData (
    ID_tempreg INTEGER PRIMARY KEY AUTOINCREMENT,
    Ref_virtinstrumentid TEXT,
    Timestamp TEXT,
    Value REAL
);

-- database: _ConfigDB_x
CREATE TABLE GenericSettings (
    Name TEXT NOT NULL PRIMARY KEY COLLATE NOCASE,
    SetValue TEXT
);
CREATE TABLE VirtualInstruments (
    ID_virtualinstrument INTEGER PRIMARY KEY,
    Name TEXT
);
CREATE TABLE VirtualResources (
    ID_virtualresource INTEGER PRIMARY KEY AUTOINCREMENT,
    Ref_IDVirtualInstr INTEGER NOT NULL,
    EventAlarmCode INTEGER NOT NULL,
    Name TEXT
);
CREATE INDEX IX_VirtualResources ON VirtualResources (Ref_IDVirtualInstr, EventAlarmCode);
