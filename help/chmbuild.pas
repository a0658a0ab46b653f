{ Compiles an HTML Help project (.hhp) into a .chm file with Free Pascal's
  CHM library, as chmcmd does, except for the context map: chmcmd 3.2.2
  records each context's topic as an absolute path of the build machine
  (the project's directory in front of the file name), which no help viewer
  finds inside the .chm. Here the topic is written as its path inside the
  file ("index.html"), the form that the viewers look up.

  Usage: chmbuild <project.hhp> <output.chm> }
program chmbuild;

{$mode objfpc}{$H+}

uses
  Classes, SysUtils, chmfilewriter, chmwriter, chmsitemap;

type
  THelpProject = class(TChmProject)
  public
    procedure WriteChm(AOutStream: TStream); override;
  end;

var
  Failed: Boolean = False;

procedure Report(Project: TChmProject; ErrorKind: TChmProjectErrorKind; Msg: String;
  DetailLevel: Integer = 0);
begin
  case ErrorKind of
    chmerror:
      begin
        WriteLn(StdErr, 'chmbuild: error: ', Msg);
        Failed := True;
      end;
    chmwarning:
      WriteLn(StdErr, 'chmbuild: warning: ', Msg);
  end;
end;

procedure THelpProject.WriteChm(AOutStream: TStream);
var
  Writer: TChmWriter;
  Toc: TChmSiteMap;
  Node: TChmContextNode;
  I: Integer;
begin
  LoadSitemaps;
  if ScanHtmlContents then
    ScanHtml;

  Toc := nil;
  Writer := TChmWriter.Create(AOutStream, False);
  try
    Writer.OnGetFileData := @GetData;
    Writer.OnLastFile := @LastFileAdded;
    Writer.FilesToCompress.AddStrings(Files);
    Writer.FilesToCompress.AddStrings(OtherFiles);

    Writer.DefaultPage := DefaultPage;
    Writer.Title := Title;
    Writer.DefaultFont := DefaultFont;
    Writer.FullTextSearch := MakeSearchable;
    Writer.HasBinaryTOC := MakeBinaryTOC;
    Writer.HasBinaryIndex := MakeBinaryIndex;
    Writer.IndexName := IndexFileName;
    Writer.TocName := TableOfContentsFileName;
    Writer.ReadmeMessage := ReadmeMessage;
    Writer.DefaultWindow := DefaultWindow;
    Writer.LocaleID := LocaleID;

    for I := 0 to Files.Count - 1 do
    begin
      if not FileExists(ProjectDir + Files[I]) then
        Error(chmerror, 'File ' + Files[I] + ' does not exist');
      Node := TChmContextNode(Files.Objects[I]);
      if Assigned(Node) and (Node.ContextNumber <> 0) then
        Writer.AddContext(Node.ContextNumber, StringReplace(Files[I], '\', '/', [rfReplaceAll]));
    end;
    if Windows.Count > 0 then
      Writer.Windows := Windows;
    if MergeFiles.Count > 0 then
      Writer.MergeFiles := MergeFiles;
    if TableOfContentsFileName <> '' then
    begin
      Toc := TChmSiteMap.Create(stTOC);
      Toc.LoadFromFile(ProjectDir + ExtractFileName(TableOfContentsFileName));
      Writer.TocSitemap := Toc;
    end;

    Writer.Execute;
  finally
    Writer.Free;
    Toc.Free;
  end;
end;

var
  Project: THelpProject;
  Output: TFileStream;
  ProjectFile, OutputFile: String;
begin
  if ParamCount <> 2 then
  begin
    WriteLn(StdErr, 'usage: chmbuild <project.hhp> <output.chm>');
    Halt(2);
  end;
  ProjectFile := ExpandFileName(ParamStr(1));
  OutputFile := ExpandFileName(ParamStr(2));

  Project := THelpProject.Create;
  try
    Project.OnError := @Report;
    Project.FileName := ProjectFile;
    Project.LoadFromhhp(ProjectFile, False);
    Output := TFileStream.Create(OutputFile, fmCreate);
    try
      Project.WriteChm(Output);
    finally
      Output.Free;
    end;
    Project.ShowUndefinedAnchors;
  finally
    Project.Free;
  end;
  if Failed then
  begin
    DeleteFile(OutputFile);
    Halt(1);
  end;
end.
