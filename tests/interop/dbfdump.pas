{ Prints what TDbf reads in a dBase table, one line per item, in UTF-8:

    LEVEL <table level>
    FIELD <name> <type letter> <width> <decimals>      (one per field)
    REC <physical record number>                       (one per record walked)
    <NAME>=<text>     or     <NAME>:null               (one per field)
    SEEK <value> <physical record number found>        (with "seek", below)
    END

  Usage: dbfdump <directory> <table file name> [<index tag to walk by> [seek]]
  With "seek", the tag must be on a numeric field of the same name: every
  value met in the walk is then searched for by key, which goes down the
  index tree through its inner nodes.
  Records are walked in stored order, or by the tag when one is given;
  deleted records are skipped, as TDbf does by default. Text is taken from
  the table's code page 1252 to UTF-8 here, byte by byte. }
program dbfdump;

{$mode objfpc}{$H+}

uses
  SysUtils, Classes, DB, dbf, dbf_common;

const
  Cp1252High: array[$80..$9F] of Word = (
    $20AC, $0081, $201A, $0192, $201E, $2026, $2020, $2021, $02C6, $2030, $0160,
    $2039, $0152, $008D, $017D, $008F, $0090, $2018, $2019, $201C, $201D, $2022,
    $2013, $2014, $02DC, $2122, $0161, $203A, $0153, $009D, $017E, $0178);

var
  Output: THandleStream;

procedure Emit(const Bytes: RawByteString);
const
  NewLine: Char = #10;
begin
  if Length(Bytes) > 0 then
    Output.WriteBuffer(Bytes[1], Length(Bytes));
  Output.WriteBuffer(NewLine, 1);
end;

function Utf8Of(const Cp1252: RawByteString): RawByteString;
var
  I, N: Integer;
  C: Word;

  procedure Put(B: Integer);
  begin
    Inc(N);
    Result[N] := AnsiChar(B);
  end;

begin
  SetLength(Result, Length(Cp1252) * 3);
  N := 0;
  for I := 1 to Length(Cp1252) do
  begin
    C := Ord(Cp1252[I]);
    if (C >= $80) and (C <= $9F) then
      C := Cp1252High[C];
    if C < $80 then
      Put(C)
    else if C < $800 then
    begin
      Put($C0 or (C shr 6));
      Put($80 or (C and $3F));
    end
    else
    begin
      Put($E0 or (C shr 12));
      Put($80 or ((C shr 6) and $3F));
      Put($80 or (C and $3F));
    end;
  end;
  SetLength(Result, N);
end;

var
  Table: TDbf;
  I: Integer;
  F: TField;
  Text: RawByteString;
  Tags: TStringList;
begin
  if ParamCount < 2 then
  begin
    WriteLn(StdErr, 'usage: dbfdump <directory> <table file> [<tag>]');
    Halt(2);
  end;
  DefaultFormatSettings.DecimalSeparator := '.';
  Output := THandleStream.Create(StdOutputHandle);
  Table := TDbf.Create(nil);
  try
    Table.FilePathFull := ParamStr(1);
    Table.TableName := ParamStr(2);
    Table.ReadOnly := True;
    Table.Open;
    if ParamCount >= 3 then
    begin
      // TDbf ignores a tag it does not find; a walk by a missing tag must fail.
      Tags := TStringList.Create;
      try
        Table.GetIndexNames(Tags);
        if Tags.IndexOf(ParamStr(3)) < 0 then
        begin
          WriteLn(StdErr, 'no index tag ', ParamStr(3));
          Halt(3);
        end;
      finally
        Tags.Free;
      end;
      Table.IndexName := ParamStr(3);
    end;
    Emit('LEVEL ' + IntToStr(Table.TableLevel));
    for I := 0 to Table.DbfFieldDefs.Count - 1 do
      with Table.DbfFieldDefs.Items[I] do
        Emit('FIELD ' + FieldName + ' ' + NativeFieldType + ' ' + IntToStr(Size) + ' ' +
          IntToStr(Precision));
    Table.First;
    while not Table.EOF do
    begin
      Emit('REC ' + IntToStr(Table.PhysicalRecNo));
      for I := 0 to Table.Fields.Count - 1 do
      begin
        F := Table.Fields[I];
        if F.IsNull then
          Emit(F.FieldName + ':null')
        else
        begin
          Text := F.AsString;
          Emit(F.FieldName + '=' + Utf8Of(Text));
        end;
      end;
      Table.Next;
    end;
    if (ParamCount >= 4) and (ParamStr(4) = 'seek') then
    begin
      Tags := TStringList.Create;
      try
        Table.First;
        while not Table.EOF do
        begin
          Text := IntToStr(Table.FieldByName(ParamStr(3)).AsInteger);
          if Tags.IndexOf(Text) < 0 then
            Tags.Add(Text);
          Table.Next;
        end;
        for I := 0 to Tags.Count - 1 do
          if Table.SearchKey(StrToInt(Tags[I]), stEqual) then
            Emit('SEEK ' + Tags[I] + ' ' + IntToStr(Table.PhysicalRecNo))
          else
            Emit('SEEK ' + Tags[I] + ' 0');
      finally
        Tags.Free;
      end;
    end;
    Emit('END');
    Table.Close;
  finally
    Table.Free;
    Output.Free;
  end;
end.
