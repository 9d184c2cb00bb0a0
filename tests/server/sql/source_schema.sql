-- A point-of-sale database as the conversion reads it: every table and column
-- its statements name, in the shape of a source that has all four probe
-- columns (Clientes.ivacaixa, Subfamilias.fundo, Familias.frontoffice,
-- Produtos.referencia). The source_without_*.sql scripts turn it into the
-- older shapes.
--
-- Columns that a variant drops carry no DEFAULT: SQL Server refuses to drop a
-- column a default constraint depends on. Columns the conversion reads through
-- ISNULL are nullable, and the rows put NULLs in them.
--
-- One column per line: the schema reader of the suite relies on it.

CREATE TABLE dbo.Clientes (
    codigo int NOT NULL PRIMARY KEY,
    nome nvarchar(100) NULL,
    morada nvarchar(150) NULL,
    codpostal nvarchar(10) NULL,
    codpostal1 nvarchar(10) NULL,
    localidade nvarchar(60) NULL,
    telefone nvarchar(20) NULL,
    fax nvarchar(20) NULL,
    telemovel nvarchar(20) NULL,
    email nvarchar(100) NULL,
    web nvarchar(100) NULL,
    obs nvarchar(500) NULL,
    datacriacao datetime NULL,
    valormov money NULL,
    valordivida money NULL,
    contribuinte nvarchar(20) NULL,
    isento bit NULL,
    motivo nvarchar(100) NULL,
    retencao bit NULL,
    sujeitopassivo bit NULL,
    ivacaixa bit NULL,
    ivacaixainicio datetime NULL,
    ivacaixafim datetime NULL
);

CREATE TABLE dbo.Empregados (
    codigo int NOT NULL PRIMARY KEY,
    nome nvarchar(60) NULL,
    [password] nvarchar(20) NULL,
    foto varbinary(max) NULL,
    bloqueado bit NOT NULL DEFAULT 0,
    datacriacao datetime NULL,
    obs nvarchar(500) NULL,
    gestaocaixa bit NOT NULL DEFAULT 0
);

CREATE TABLE dbo.Subfamilias (
    codigo int NOT NULL PRIMARY KEY,
    descricao nvarchar(50) NULL,
    familia int NULL,
    fundo int NULL,
    letra int NULL,
    posicao int NULL
);

CREATE TABLE dbo.Familias (
    codigo int NOT NULL PRIMARY KEY,
    descricao nvarchar(50) NULL,
    frontoffice bit NULL
);

CREATE TABLE dbo.Iva (
    codigo int NOT NULL PRIMARY KEY,
    descricao nvarchar(30) NULL,
    factor float NULL
);

CREATE TABLE dbo.Produtos (
    codigo int NOT NULL PRIMARY KEY,
    descricao nvarchar(60) NULL,
    familia int NULL,
    subfamilia int NULL,
    unidade int NULL,
    iva int NULL,
    fornecedor int NULL,
    foto varbinary(max) NULL,
    precocompra money NULL,
    precovenda money NULL,
    dataultcompra datetime NULL,
    ultprecocompra money NULL,
    datacriacao datetime NULL,
    obs nvarchar(500) NULL,
    retalho bit NULL,
    composto bit NOT NULL DEFAULT 0,
    ultprecovenda money NULL,
    [top] bit NOT NULL DEFAULT 0,
    ivacompra int NULL,
    balanca bit NOT NULL DEFAULT 0,
    codbarras nvarchar(30) NULL,
    precovenda2 money NULL,
    precovenda3 money NULL,
    isencao int NULL,
    retencao bit NULL,
    percentagemretencao decimal(9,4) NULL,
    referencia nvarchar(30) NULL,
    promocao bit NULL,
    excluirdescontos bit NULL
);

CREATE TABLE dbo.codigosbarras (
    codbarras nvarchar(30) NOT NULL PRIMARY KEY,
    codigo int NOT NULL
);

CREATE TABLE dbo.Fornecedores (
    codigo int NOT NULL PRIMARY KEY,
    nome nvarchar(100) NULL,
    morada nvarchar(150) NULL,
    codpostal nvarchar(10) NULL,
    codpostal1 nvarchar(10) NULL,
    localidade nvarchar(60) NULL,
    telefone nvarchar(20) NULL,
    fax nvarchar(20) NULL,
    telemovel nvarchar(20) NULL,
    email nvarchar(100) NULL,
    web nvarchar(100) NULL,
    datacriacao datetime NULL,
    contribuinte bigint NULL,
    ivaincluido bit NOT NULL DEFAULT 0
);

CREATE TABLE dbo.Unidades (
    codigo int NOT NULL PRIMARY KEY,
    descricao nvarchar(20) NULL
);

CREATE TABLE dbo.Existencias (
    codigo int NOT NULL PRIMARY KEY,
    existencia decimal(19,4) NULL
);
