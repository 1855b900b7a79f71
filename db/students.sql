SET NAMES UTF8;
-- Generated students for the demo school (run after demo.sql). The number of students
-- comes from the session context variable DIAK_DB, set by scripts/create-db. A fixed-seed
-- linear congruential generator (x = x * 1103515245 + 12345 mod 2^31, written inline
-- because a function call per draw slows the load markedly) makes every run produce the same
-- people. The whole load runs inside the server in one statement, which keeps it quick.
-- Birth years follow the grade so that everybody is 14 to 18 years old in the school year.
-- The long lists are WIN1250, one byte a letter: picking from them is one substring, not a
-- walk through UTF8.

SET TERM ^;
EXECUTE BLOCK AS
    -- 'a|b|c' -> fixed-width slots, so that picking the k-th item is one substring
    DECLARE FUNCTION slots (lista VARCHAR(8000) CHARACTER SET WIN1250, szel INTEGER)
        RETURNS VARCHAR(8000) CHARACTER SET WIN1250
    AS
        DECLARE p INTEGER;
        DECLARE elem VARCHAR(8000) CHARACTER SET WIN1250;
        DECLARE r VARCHAR(8000) CHARACTER SET WIN1250 = '';
    BEGIN
        lista = lista || '|';
        WHILE (lista <> '') DO
        BEGIN
            p = POSITION('|' IN lista);
            elem = SUBSTRING(lista FROM 1 FOR p - 1);
            IF (CHAR_LENGTH(elem) > szel) THEN
                EXCEPTION ex_korvana '\Túl hosszú elem a névlistában: ' || elem || '\';
            r = r || RPAD(elem, szel);
            lista = SUBSTRING(lista FROM p + 1);
        END
        RETURN r;
    END

    DECLARE FUNCTION telefon (x BIGINT) RETURNS VARCHAR(30)
    AS
    BEGIN
        RETURN '+36 ' || SUBSTRING('203070' FROM MOD(x / 65536, 3) * 2 + 1 FOR 2) || ' '
            || (100 + MOD(x / 4096, 900)) || ' ' || LPAD(MOD(x / 128, 10000), 4, '0');
    END

    DECLARE n INTEGER;
    DECLARE i INTEGER = 0;
    DECLARE x BIGINT = 20260901;
    DECLARE tanev INTEGER = 2026;
    DECLARE iskola_varosa VARCHAR(30) = 'Kecskemét';

    DECLARE vezeteknevek VARCHAR(8000) CHARACTER SET WIN1250 = 'Nagy|Kovács|Tóth|Szabó|Horváth|Varga|Kiss|Molnár|Németh|Farkas|Balogh|Papp|Takács|Juhász|Lakatos|Mészáros|Oláh|Simon|Rácz|Fekete|Szilágyi|Török|Fehér|Balázs|Gál|Kis|Szűcs|Kocsis|Orsós|Pintér|Fodor|Szalai|Sipos|Magyar|Lukács|Gulyás|Bíró|Király|Katona|László|Jakab|Bogdán|Sándor|Boros|Fazekas|Kelemen|Antal|Orosz|Somogyi|Fülöp|Veres|Budai|Vincze|Hegedűs|Deák|Bálint|Illés|Pál|Vass|Szőke|Fábián|Vörös|Lengyel|Bognár|Jónás|Hajdu|Halász|Máté|Székely|Gáspár|Kozma|Pásztor|Bakos|Dudás|Major|Virág|Orbán|Barta|Ábrahám|Ördög|Őri|Ónodi|Újvári|Csonka|Csizmadia|Zsigmond|Erdős|Éles|Ürmös|Gyurkó';
    DECLARE fiunevek VARCHAR(8000) CHARACTER SET WIN1250 = 'Bence|Máté|Levente|Dominik|Ádám|Dániel|Balázs|Dávid|Marcell|Milán|Péter|Tamás|Gergő|Zsombor|Botond|Kristóf|Áron|Márk|Olivér|Noel|Benedek|Barnabás|Martin|Norbert|Zoltán|Gábor|László|Krisztián|Patrik|Richárd|Attila|Csaba|Ákos|Bálint|Zalán|Hunor|Vince|Soma|Erik|Örs|Mátyás|Simon|Nándor|Tibor|Viktor|Roland|Szabolcs|Ábel|Előd|Üllő';
    DECLARE lanynevek VARCHAR(8000) CHARACTER SET WIN1250 = 'Hanna|Anna|Jázmin|Lili|Zsófia|Luca|Boglárka|Emma|Léna|Zoé|Nóra|Eszter|Réka|Dorina|Fanni|Petra|Vivien|Kitti|Lilla|Virág|Nikolett|Bianka|Kata|Csenge|Dóra|Flóra|Laura|Panna|Rebeka|Sára|Viktória|Alexandra|Enikő|Írisz|Orsolya|Szonja|Tímea|Zsanett|Barbara|Anita|Ágnes|Gréta|Hajnalka|Emese|Őzike|Ünige|Olívia|Kamilla|Maja|Tekla';
    DECLARE anyanevek VARCHAR(8000) CHARACTER SET WIN1250 = 'Katalin|Erzsébet|Ilona|Éva|Anikó|Krisztina|Andrea|Mónika|Zsuzsanna|Judit|Edit|Ágnes|Tímea|Szilvia|Gabriella|Beáta|Erika|Ildikó|Marianna|Melinda|Brigitta|Nikoletta|Orsolya|Renáta|Rita|Tünde|Viktória|Adrienn|Anita|Henrietta|Enikő|Zsófia|Eszter|Hajnalka|Noémi|Piroska|Margit|Irén';
    DECLARE apanevek VARCHAR(8000) CHARACTER SET WIN1250 = 'László|István|Zoltán|Gábor|Attila|Tamás|Péter|Sándor|Csaba|Ferenc|József|János|Zsolt|Róbert|Tibor|Gergely|Krisztián|Norbert|Balázs|Imre|Lajos|Ákos|Szabolcs|Miklós|Árpád|Ottó|Dénes|György|Károly|Endre';
    DECLARE utcak VARCHAR(8000) CHARACTER SET WIN1250 = 'Petőfi Sándor utca|Kossuth Lajos utca|Rákóczi Ferenc út|Ady Endre utca|Arany János utca|Jókai Mór utca|Széchenyi István tér|Deák Ferenc utca|Dózsa György út|Bethlen Gábor utca|Kölcsey Ferenc utca|Vörösmarty Mihály utca|Béke utca|Fő utca|Szabadság tér|Táncsics Mihály utca|Bajcsy-Zsilinszky Endre utca|Munkácsy Mihály utca|Kodály Zoltán tér|Katona József utca|Hunyadi János utca|Mátyás király körút|Rozmaring utca|Akácfa utca|Tavasz utca|Nyíri út|Ceglédi út|Szolnoki út|Batthyány utca|Erdő utca|Kertész utca|Damjanich János utca|Liszt Ferenc utca|Madách Imre utca|Zrínyi Miklós utca|Irinyi János utca|Wesselényi utca|Bartók Béla utca|Őszirózsa utca|Úttörő utca|Ész utca|Cserepes utca';
    DECLARE varosok VARCHAR(8000) CHARACTER SET WIN1250 = 'Lajosmizse|Kerekegyháza|Ballószög|Helvécia|Városföld|Nagykőrös|Tiszakécske|Izsák|Kiskunfélegyháza|Jakabszállás|Fülöpháza|Szentkirály|Lakitelek|Kunszentmiklós|Orgovány|Kecel|Nyárlőrinc|Felsőlajos|Ágasegyháza|Kunszállás|Bugac|Fülöpszállás|Szabadszállás|Solt|Tiszaalpár|Kiskőrös|Soltvadkert|Ladánybene|Újszász|Örkény';
    DECLARE szulhelyek VARCHAR(8000) CHARACTER SET WIN1250 = 'Budapest|Szeged|Kiskunfélegyháza|Kiskunhalas|Cegléd|Nagykőrös|Kalocsa|Baja|Szolnok|Debrecen|Győr|Pécs|Miskolc|Székesfehérvár|Kiskőrös|Szentes|Csongrád|Hódmezővásárhely|Szabadka|Kolozsvár|Marosvásárhely|Bécs|Eger|Veszprém';
    DECLARE megjegyzesek VARCHAR(8000) CHARACTER SET WIN1250 = 'Kollégista.|Bejáró, vonattal érkezik.|Sajátos nevelési igényű, a szakértői vélemény a titkárságon van.|Testnevelés alól felmentve (orvosi igazolás).|Diszlexiás; írásbeli feladatoknál hosszabb időt kap.|Ételallergia: glutén.|Rendszeres gyermekvédelmi kedvezményben részesül.|Versenyszerűen kézilabdázik.~Edzőtábor miatt júliusban nem elérhető.|A szülők elváltak, a gondviselő az anya.~Az apa kapcsolattartásra jogosult.|Tanulószerződése van.|Évismétlő.|Magántanuló.|Emelt szintű érettségire jelentkezett.|Másik iskolából érkezett, a bizonyítványmásolat a titkárságon van.';

    -- item counts of the lists above
    DECLARE n_vez INTEGER;
    DECLARE n_fiu INTEGER;
    DECLARE n_lany INTEGER;
    DECLARE n_anya INTEGER;
    DECLARE n_apa INTEGER;
    DECLARE n_utca INTEGER;
    DECLARE n_varos INTEGER;
    DECLARE n_szulhely INTEGER;
    DECLARE n_mj INTEGER;

    DECLARE osztalyok VARCHAR(8000) CHARACTER SET WIN1250 = '';
    DECLARE evfolyamok VARCHAR(8000) CHARACTER SET WIN1250 = '';
    DECLARE n_osztaly INTEGER;
    DECLARE nyelvek VARCHAR(8000) CHARACTER SET WIN1250 = '';
    DECLARE n_nyelv INTEGER;
    DECLARE angol_id INTEGER;
    DECLARE nemet_id INTEGER;
    DECLARE id INTEGER;
    DECLARE szam INTEGER;

    DECLARE k INTEGER;
    DECLARE j INTEGER;
    DECLARE ossz INTEGER;
    DECLARE fiu BOOLEAN;
    DECLARE vez VARCHAR(40);
    DECLARE utonev VARCHAR(40);
    DECLARE utonev2 VARCHAR(40);
    DECLARE nev VARCHAR(100);
    DECLARE cim VARCHAR(150);
    DECLARE varos VARCHAR(100);
    DECLARE szulhely VARCHAR(100);
    DECLARE szulido DATE;
    DECLARE szszam VARCHAR(20);
    DECLARE tel VARCHAR(30);
    DECLARE anyja VARCHAR(100);
    DECLARE gnev VARCHAR(100);
    DECLARE gcim VARCHAR(150);
    DECLARE gtel VARCHAR(30);
    DECLARE taj VARCHAR(20);
    DECLARE om VARCHAR(20);
    DECLARE dig VARCHAR(20);
    DECLARE oszt_id INTEGER;
    DECLARE mj VARCHAR(300);
    DECLARE nyelv_id INTEGER;
BEGIN
    n = CAST(RDB$GET_CONTEXT('USER_SESSION', 'DIAK_DB') AS INTEGER);
    IF (n IS NULL OR n < 0) THEN
        EXCEPTION ex_korvana '\Hiányzik a létrehozandó tanulók száma!\';

    vezeteknevek = slots(vezeteknevek, 32); n_vez = CHAR_LENGTH(vezeteknevek) / 32;
    fiunevek = slots(fiunevek, 32);         n_fiu = CHAR_LENGTH(fiunevek) / 32;
    lanynevek = slots(lanynevek, 32);       n_lany = CHAR_LENGTH(lanynevek) / 32;
    anyanevek = slots(anyanevek, 32);       n_anya = CHAR_LENGTH(anyanevek) / 32;
    apanevek = slots(apanevek, 32);         n_apa = CHAR_LENGTH(apanevek) / 32;
    utcak = slots(utcak, 32);               n_utca = CHAR_LENGTH(utcak) / 32;
    varosok = slots(varosok, 32);           n_varos = CHAR_LENGTH(varosok) / 32;
    szulhelyek = slots(szulhelyek, 32);     n_szulhely = CHAR_LENGTH(szulhelyek) / 32;
    megjegyzesek = slots(megjegyzesek, 100); n_mj = CHAR_LENGTH(megjegyzesek) / 100;

    FOR SELECT id, osztaly_szam FROM table_osztaly ORDER BY osztaly_szam, osztaly_betu
        INTO id, szam DO
    BEGIN
        osztalyok = osztalyok || RPAD(id, 10);
        evfolyamok = evfolyamok || RPAD(szam, 10);
    END
    n_osztaly = CHAR_LENGTH(osztalyok) / 10;
    IF (n_osztaly = 0 AND n > 0) THEN
        EXCEPTION ex_korvana '\Nincs osztály, ahová a tanulók kerülhetnének!\';
    FOR SELECT id FROM table_nyelv ORDER BY id INTO id DO
        nyelvek = nyelvek || RPAD(id, 10);
    n_nyelv = CHAR_LENGTH(nyelvek) / 10;
    SELECT id FROM table_nyelv WHERE nyelv_nev = 'angol' INTO angol_id;
    SELECT id FROM table_nyelv WHERE nyelv_nev = 'német' INTO nemet_id;

    WHILE (i < n) DO
    BEGIN
        i = i + 1;

        x = MOD(x * 1103515245 + 12345, 2147483648); k = MOD(x / 65536, n_osztaly);
        oszt_id = CAST(TRIM(SUBSTRING(osztalyok FROM k * 10 + 1 FOR 10)) AS INTEGER);
        szam = CAST(TRIM(SUBSTRING(evfolyamok FROM k * 10 + 1 FOR 10)) AS INTEGER);

        x = MOD(x * 1103515245 + 12345, 2147483648); fiu = (MOD(x / 65536, 2) = 0);
        x = MOD(x * 1103515245 + 12345, 2147483648); vez = TRIM(SUBSTRING(vezeteknevek FROM MOD(x / 65536, n_vez) * 32 + 1 FOR 32));
        x = MOD(x * 1103515245 + 12345, 2147483648);
        IF (fiu) THEN utonev = TRIM(SUBSTRING(fiunevek FROM MOD(x / 65536, n_fiu) * 32 + 1 FOR 32));
        ELSE utonev = TRIM(SUBSTRING(lanynevek FROM MOD(x / 65536, n_lany) * 32 + 1 FOR 32));
        nev = vez || ' ' || utonev;
        x = MOD(x * 1103515245 + 12345, 2147483648);
        IF (MOD(x / 65536, 100) < 15) THEN
        BEGIN
            x = MOD(x * 1103515245 + 12345, 2147483648);
            IF (fiu) THEN utonev2 = TRIM(SUBSTRING(fiunevek FROM MOD(x / 65536, n_fiu) * 32 + 1 FOR 32));
            ELSE utonev2 = TRIM(SUBSTRING(lanynevek FROM MOD(x / 65536, n_lany) * 32 + 1 FOR 32));
            IF (utonev2 <> utonev) THEN nev = nev || ' ' || utonev2;
        END

        -- most students live in the school's town, the rest in the villages around it
        x = MOD(x * 1103515245 + 12345, 2147483648);
        IF (MOD(x / 65536, 100) < 45) THEN varos = iskola_varosa;
        ELSE varos = TRIM(SUBSTRING(varosok FROM MOD(x / 65536, n_varos) * 32 + 1 FOR 32));
        x = MOD(x * 1103515245 + 12345, 2147483648);
        cim = TRIM(SUBSTRING(utcak FROM MOD(x / 65536, n_utca) * 32 + 1 FOR 32)) || ' '
            || (1 + MOD(x / 128, 120)) || '.';
        x = MOD(x * 1103515245 + 12345, 2147483648);
        IF (varos = iskola_varosa AND MOD(x / 65536, 100) < 25) THEN
            cim = cim || ' ' || (1 + MOD(x / 128, 10)) || '. em. ' || (1 + MOD(x / 4096, 12)) || '.';

        x = MOD(x * 1103515245 + 12345, 2147483648);
        IF (MOD(x / 65536, 100) < 55) THEN szulhely = iskola_varosa;
        ELSE szulhely = TRIM(SUBSTRING(szulhelyek FROM MOD(x / 65536, n_szulhely) * 32 + 1 FOR 32));
        x = MOD(x * 1103515245 + 12345, 2147483648);
        szulido = DATEADD(MOD(x / 65536, 365) DAY TO CAST((tanev - szam - 6) || '-01-01' AS DATE));

        x = MOD(x * 1103515245 + 12345, 2147483648); szszam = LPAD(MOD(x / 128, 1000000), 6, '0');
        x = MOD(x * 1103515245 + 12345, 2147483648); szszam = szszam || ASCII_CHAR(65 + MOD(x / 65536, 26));
        x = MOD(x * 1103515245 + 12345, 2147483648); szszam = szszam || ASCII_CHAR(65 + MOD(x / 65536, 26));

        x = MOD(x * 1103515245 + 12345, 2147483648);
        IF (MOD(x / 65536, 100) < 85) THEN BEGIN x = MOD(x * 1103515245 + 12345, 2147483648); tel = telefon(x); END
        ELSE tel = NULL;

        x = MOD(x * 1103515245 + 12345, 2147483648); anyja = TRIM(SUBSTRING(vezeteknevek FROM MOD(x / 65536, n_vez) * 32 + 1 FOR 32));
        x = MOD(x * 1103515245 + 12345, 2147483648); anyja = anyja || ' ' || TRIM(SUBSTRING(anyanevek FROM MOD(x / 65536, n_anya) * 32 + 1 FOR 32));

        x = MOD(x * 1103515245 + 12345, 2147483648); k = MOD(x / 65536, 100);
        IF (k < 50) THEN gnev = anyja;
        ELSE IF (k < 92) THEN
        BEGIN
            x = MOD(x * 1103515245 + 12345, 2147483648);
            gnev = vez || ' ' || TRIM(SUBSTRING(apanevek FROM MOD(x / 65536, n_apa) * 32 + 1 FOR 32));
        END
        ELSE
        BEGIN
            -- grandparent or foster parent
            x = MOD(x * 1103515245 + 12345, 2147483648); gnev = TRIM(SUBSTRING(vezeteknevek FROM MOD(x / 65536, n_vez) * 32 + 1 FOR 32));
            x = MOD(x * 1103515245 + 12345, 2147483648); gnev = gnev || ' ' || TRIM(SUBSTRING(anyanevek FROM MOD(x / 65536, n_anya) * 32 + 1 FOR 32));
        END
        x = MOD(x * 1103515245 + 12345, 2147483648);
        IF (MOD(x / 65536, 100) < 88) THEN gcim = varos || ', ' || cim;
        ELSE
        BEGIN
            x = MOD(x * 1103515245 + 12345, 2147483648); gcim = TRIM(SUBSTRING(varosok FROM MOD(x / 65536, n_varos) * 32 + 1 FOR 32)) || ', ';
            x = MOD(x * 1103515245 + 12345, 2147483648); gcim = gcim || TRIM(SUBSTRING(utcak FROM MOD(x / 65536, n_utca) * 32 + 1 FOR 32))
                || ' ' || (1 + MOD(x / 128, 120)) || '.';
        END
        x = MOD(x * 1103515245 + 12345, 2147483648);
        IF (MOD(x / 65536, 100) < 10) THEN
            gtel = '+36 76 ' || (100 + MOD(x / 4096, 900)) || ' ' || LPAD(MOD(x / 128, 1000), 3, '0');
        ELSE BEGIN x = MOD(x * 1103515245 + 12345, 2147483648); gtel = telefon(x); END

        -- identifiers derived from the row number stay unique without lookups;
        -- the TAJ number carries its real check digit
        taj = LPAD(MOD(i * 61803399 + 31415926, 100000000), 8, '0');
        ossz = 0; j = 1;
        WHILE (j <= 8) DO
        BEGIN
            ossz = ossz + CAST(SUBSTRING(taj FROM j FOR 1) AS INTEGER) * IIF(MOD(j, 2) = 1, 3, 7);
            j = j + 1;
        END
        taj = taj || MOD(ossz, 10);
        x = MOD(x * 1103515245 + 12345, 2147483648);
        IF (MOD(x / 65536, 100) < 70) THEN
            taj = SUBSTRING(taj FROM 1 FOR 3) || ' ' || SUBSTRING(taj FROM 4 FOR 3) || ' ' || SUBSTRING(taj FROM 7 FOR 3);
        -- the OM number: 7, eight digits of the row's own, a free digit that keeps the
        -- remainder off 10 (never issued), and the check digit
        om = '7' || LPAD(MOD(i * 27182817 + 31415926, 100000000), 8, '0') || MOD(i, 10);
        ossz = 0; j = 1;
        WHILE (j <= 10) DO
        BEGIN
            ossz = ossz + CAST(SUBSTRING(om FROM j FOR 1) AS INTEGER) * j;
            j = j + 1;
        END
        -- the free digit weighs 10: one more there is one less in the remainder
        IF (MOD(ossz, 11) = 10) THEN
        BEGIN
            om = SUBSTRING(om FROM 1 FOR 9) || MOD(i + 1, 10);
            ossz = ossz + IIF(MOD(i, 10) = 9, -90, 10);
        END
        om = om || MOD(ossz, 11);
        dig = MOD(i * 5562305897 + 1234567890, 9000000000) + 1000000000;

        x = MOD(x * 1103515245 + 12345, 2147483648);
        IF (MOD(x / 65536, 100) < 12) THEN
        BEGIN
            x = MOD(x * 1103515245 + 12345, 2147483648);
            mj = REPLACE(TRIM(SUBSTRING(megjegyzesek FROM MOD(x / 65536, n_mj) * 100 + 1 FOR 100)), '~', ASCII_CHAR(10));
        END
        ELSE mj = NULL;

        x = MOD(x * 1103515245 + 12345, 2147483648); k = MOD(x / 65536, 100);
        IF (k < 55) THEN nyelv_id = angol_id;
        ELSE IF (k < 85) THEN nyelv_id = nemet_id;
        ELSE
        BEGIN
            x = MOD(x * 1103515245 + 12345, 2147483648);
            nyelv_id = CAST(TRIM(SUBSTRING(nyelvek FROM MOD(x / 65536, n_nyelv) * 10 + 1 FOR 10)) AS INTEGER);
        END

        INSERT INTO table_diak (nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, sz_szam,
                diak_tel, anyja_nev, gondviselo_nev, gondviselo_cim, gondviselo_tel, diak_taj,
                diak_OM, diak_diak, osztaly_ID, mj, tanult_nyelv_ID, evfolyam)
        VALUES (:nev, :cim, :varos, :szulhely, :szulido, :szszam,
                :tel, :anyja, :gnev, :gcim, :gtel, :taj,
                :om, :dig, :oszt_id, :mj, :nyelv_id, :tanev);
    END
END^
SET TERM ;^
COMMIT;

-- the optimizer needs fresh selectivity after a bulk load
SET STATISTICS INDEX pk_diak;
SET STATISTICS INDEX ix_diak_nev;
SET STATISTICS INDEX ix_diak_osztaly_nev;
SET STATISTICS INDEX fk_diak_osztaly;
SET STATISTICS INDEX fk_diak_nyelv;
COMMIT;
