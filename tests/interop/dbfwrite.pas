{ Writes, with TDbf, a solution table SOLUC.DBF as the timetabling program
  might: ASIG, TAREA, DIA, HORA, CODGRUPO, PROF, AULA, ten records, the eighth
  of them deleted.

  Usage: dbfwrite <directory> <level: 3, 4 or 7> <numeric | integer>

  "numeric" declares DIA as a small integer and HORA as floating point;
  "integer" declares both as 32-bit integers (TDbf makes them I at level 7
  and N below it). At level 7 with "integer" the table also gets an index tag
  DIA on DIA, which TDbf keeps in a production index with a lower-case
  extension. Text is given in code page 1252. }
program dbfwrite;

{$mode objfpc}{$H+}

uses
  SysUtils, Classes, DB, dbf;

var
  Table: TDbf;

procedure AddRecord(const Asig, Tarea: RawByteString; Dia: Integer; HasHora: Boolean; Hora: Integer;
  const Grupo, Prof, Aula: RawByteString);
begin
  Table.Append;
  Table.FieldByName('ASIG').AsString := Asig;
  Table.FieldByName('TAREA').AsString := Tarea;
  Table.FieldByName('DIA').AsInteger := Dia;
  if HasHora then
    Table.FieldByName('HORA').AsInteger := Hora;
  if Grupo <> '' then
    Table.FieldByName('CODGRUPO').AsString := Grupo;
  Table.FieldByName('PROF').AsString := Prof;
  if Aula <> '' then
    Table.FieldByName('AULA').AsString := Aula;
  Table.Post;
end;

var
  Level: Integer;
  IntegerFields: Boolean;
begin
  if ParamCount <> 3 then
  begin
    WriteLn(StdErr, 'usage: dbfwrite <directory> <3|4|7> <numeric|integer>');
    Halt(2);
  end;
  Level := StrToInt(ParamStr(2));
  IntegerFields := ParamStr(3) = 'integer';
  Table := TDbf.Create(nil);
  try
    Table.FilePathFull := ParamStr(1);
    Table.TableName := 'SOLUC.DBF';
    Table.TableLevel := Level;
    Table.LanguageID := $58; // Western European ANSI, code page 1252
    Table.Exclusive := True;
    with Table.FieldDefs do
    begin
      Add('ASIG', ftString, 10);
      Add('TAREA', ftString, 10);
      if IntegerFields then
      begin
        Add('DIA', ftInteger);
        Add('HORA', ftInteger);
      end
      else
      begin
        Add('DIA', ftSmallint);
        Add('HORA', ftFloat);
      end;
      Add('CODGRUPO', ftString, 10);
      Add('PROF', ftString, 10);
      Add('AULA', ftString, 10);
    end;
    Table.CreateTable;
    Table.Open;
    if IntegerFields and (Level = 7) then
      Table.AddIndex('DIA', 'DIA', []);

    AddRecord('MAT', 'MAT', 1, True, 1, '1ESOA', 'GARCIAJ', 'INF1');
    AddRecord('LCL', 'LCL', 3, True, 2, '2BACHB', 'PEREZM1', 'LAB');
    AddRecord('EF', 'CCM', 2, True, 10, '1ESOA', 'ABCDEFGHIJ', 'GIM');
    AddRecord('GUARDIA', 'GUARDIA', 5, True, 4, '', 'N'#$DA#$D1'EZ', '');
    AddRecord('MAT', 'MAT', 0, True, 3, '1ESOA', 'GARCIAJ', 'INF1');
    AddRecord('MAT', 'MAT', 4, True, 0, '1ESOA', 'GARCIAJ', 'INF1');
    AddRecord('MAT', 'MAT', 6, False, 0, '1ESOA', 'GARCIAJ', 'INF1');
    AddRecord('BORRADO', 'BORRADO', 1, True, 2, '1ESOA', 'GARCIAJ', 'INF1');
    Table.Delete;
    AddRecord('NEG', 'NEG', -1, True, -9, '2BACHB', 'PEREZM1', 'LAB');
    AddRecord('LCL', 'LCL', 7, True, 99, '2BACHB', 'PEREZM1', 'AULA'#$D1);
    Table.Close;
  finally
    Table.Free;
  end;
end.
