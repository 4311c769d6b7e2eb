-- SPDX-License-Identifier: GPL-3.0-or-later
-- A clip store as the first schema version wrote it. Regenerate the fixture with:
--   rm -f schema-v1.store && sqlite3 schema-v1.store < schema-v1.sql
CREATE TABLE ClipItem (
 id TEXT NOT NULL UNIQUE COLLATE NOCASE,
 typeRaw TEXT NOT NULL,
 textContent TEXT,
 imageFileName TEXT,
 thumbnailData BLOB,
 sourceAppBundleID TEXT,
 sourceAppName TEXT,
 createdAt REAL NOT NULL,
 isPinned INTEGER NOT NULL DEFAULT 0,
 spaceID TEXT,
 contentHash TEXT,
 byteSize INTEGER NOT NULL DEFAULT 0,
 ocrText TEXT,
 batchID TEXT,
 reminderDate REAL);
CREATE INDEX ClipItem_createdAt ON ClipItem(createdAt);

INSERT INTO ClipItem VALUES
 ('6F1C2A3B-0000-4000-8000-000000000001', 'text', 'Hola, año nuevo', NULL, NULL,
  'org.mozilla.firefox', 'Firefox', 1780000000.5, 0, NULL,
  'a3f1c2d4e5b6a7980112233445566778899aabbccddeeff00112233445566778', 16, NULL, NULL, NULL),
 ('6F1C2A3B-0000-4000-8000-000000000002', 'image', NULL, '0B9E4D6A-1111-4222-8333-444455556666.png',
  X'89504E470D0A1A0A', 'org.gnome.Screenshot', 'Captura de pantalla', 1780000100.25, 1,
  'AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE', NULL, 2048, 'Factura 42', NULL, 1780090000.0),
 ('6F1C2A3B-0000-4000-8000-000000000003', 'hologram', 'tipo desconocido', NULL, NULL,
  NULL, NULL, 1780000200.0, 0, NULL, NULL, 3, NULL, '12345678-9ABC-4DEF-8123-456789ABCDEF', NULL);

PRAGMA user_version = 1;
