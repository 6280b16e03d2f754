-- "NNPic.mdb": the report sections, rewritten before every printed report.
PRAGMA journal_mode = DELETE;

CREATE TABLE Tafsir (
  Code TEXT,
  Comment TEXT
);
CREATE INDEX Tafsir_Code ON Tafsir (Code);

-- "V" holds the note on unanswered items; the others one text per scale, in report order.
INSERT INTO Tafsir (Code, Comment) VALUES
 ('V', ''), ('ED', ''), ('AB', ''), ('MA', ''), ('DS', ''), ('SI', ''), ('AI', ''), ('VU', ''),
 ('EU', ''), ('FA', ''), ('ET', ''), ('IS', ''), ('SB', ''), ('SS', ''), ('AS', ''), ('NP', ''),
 ('PU', ''), ('US', ''), ('EI', '');
