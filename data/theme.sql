-- "Theme.skn": the explanatory paragraph of each schema scale (rows in themf.sql).
PRAGMA journal_mode = DELETE;

CREATE TABLE Themf (
  Schema TEXT,
  Taf TEXT
);
CREATE INDEX Themf_Schema ON Themf (Schema);
