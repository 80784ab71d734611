drop table x
go
create table x (a int, b text)
go
insert into x values (1, 'a')
go
select Int(a), Val(b), CDbl('1.5'), instr(b, 'a'), Str(2) from x
go
' a comment
select #1/1/2000# from x
update cultivation set Quantity = Quantity * 2 where FL_ID = 1
